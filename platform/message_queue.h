#pragma once
// The one message queue of the thread, written once above the backends. It keeps the original window
// system's order of retrieval: posted messages, then input, then the quit message, then paint requests.

#include <deque>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/win_types.h"

namespace veltane::platform {

class MessageQueue : public EventSink {
 public:
  // EventSink.
  void PostInput(const Msg& msg) override;
  void Invalidate(HWND hwnd) override;
  void DestroyedFromOutside(HWND hwnd) override;

  void Post(const Msg& msg);
  void PostQuit(int exitCode);
  void Validate(HWND hwnd);
  // A posted or input message, or the quit message, waits.
  bool HasNonPaint() const { return !m_posted.empty() || !m_input.empty() || m_quitPending; }

  // The next message in retrieval order, without asking the backend for more. With remove, posted and
  // input messages and the quit message are taken off the queue, and a paint request moves its window
  // behind the other invalid ones, so that several invalid windows are served in turn.
  bool Next(Msg* msg, bool remove);

  // A get that follows a peek which left its message in place takes what the peek saw, without asking the
  // backend again: a frame's peek-then-get step reads the window system once.
  void SetPeeked(bool peeked) { m_peeked = peeked; }
  bool TakePeeked() { return std::exchange(m_peeked, false); }

  // Forgets everything: a new backend starts with an empty queue.
  void Clear();

 private:
  bool NextPaint(Msg* msg, bool remove);

  std::deque<Msg> m_posted;
  std::deque<Msg> m_input;
  bool m_quitPending = false;
  int m_quitCode = 0;
  std::vector<HWND> m_invalid;  // In the order they are served.
  bool m_peeked = false;
};

MessageQueue& TheMessageQueue();

}  // namespace veltane::platform
