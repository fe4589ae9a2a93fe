#include "platform/message_queue.h"

#include <algorithm>

#include "platform/window.h"

namespace veltane::platform {

void MessageQueue::PostInput(const Msg& msg) { m_input.push_back(msg); }

void MessageQueue::Invalidate(HWND hwnd) {
  if (hwnd == 0) return;
  if (std::find(m_invalid.begin(), m_invalid.end(), hwnd) == m_invalid.end()) m_invalid.push_back(hwnd);
}

// The report travels with the input, in the order the window system gave it, so that input that arrived
// before the destruction is still delivered first.
void MessageQueue::DestroyedFromOutside(HWND hwnd) {
  Validate(hwnd);
  m_input.push_back(Msg{hwnd, WM_PLATFORM_DESTROYED, 0, 0});
}

void MessageQueue::Post(const Msg& msg) { m_posted.push_back(msg); }

void MessageQueue::PostQuit(int exitCode) {
  m_quitPending = true;
  m_quitCode = exitCode;
}

void MessageQueue::Validate(HWND hwnd) { std::erase(m_invalid, hwnd); }

bool MessageQueue::Next(Msg* msg, bool remove) {
  for (std::deque<Msg>* queue : {&m_posted, &m_input}) {
    if (queue->empty()) continue;
    *msg = queue->front();
    if (remove) queue->pop_front();
    return true;
  }
  if (m_quitPending) {
    *msg = Msg{0, WM_QUIT, static_cast<WPARAM>(m_quitCode), 0};
    if (remove) m_quitPending = false;
    return true;
  }
  return NextPaint(msg, remove);
}

// A window that has no object any more (an expose that arrived after its destruction) would otherwise be
// painted forever and keep every wait from blocking; it is dropped here instead.
bool MessageQueue::NextPaint(Msg* msg, bool remove) {
  std::erase_if(m_invalid, [](HWND hwnd) { return Wnd::FromHandlePermanent(hwnd) == nullptr; });
  if (m_invalid.empty()) return false;
  *msg = Msg{m_invalid.front(), WM_PAINT, 0, 0};
  if (remove) std::rotate(m_invalid.begin(), m_invalid.begin() + 1, m_invalid.end());
  return true;
}

void MessageQueue::Clear() {
  m_posted.clear();
  m_input.clear();
  m_quitPending = false;
  m_quitCode = 0;
  m_invalid.clear();
  m_peeked = false;
}

MessageQueue& TheMessageQueue() {
  static MessageQueue queue;
  return queue;
}

}  // namespace veltane::platform
