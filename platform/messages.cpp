// The message functions of platform.h: the queue above the backend, and delivery to window objects.

#include "platform/message_queue.h"
#include "platform/platform.h"
#include "platform/window.h"

namespace veltane::platform {

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd != 0 && !IsWindow(hwnd)) return false;
  TheMessageQueue().Post(Msg{hwnd, message, wParam, lParam});
  return true;
}

void PostQuitMessage(int exitCode) { TheMessageQueue().PostQuit(exitCode); }

bool PeekMessage(Msg* msg, bool remove) {
  MessageQueue& queue = TheMessageQueue();
  if (HasBackend()) CurrentBackend().PollEvents(queue);
  const bool found = queue.Next(msg, remove);
  queue.SetPeeked(found && !remove);
  return found;
}

bool WaitMessageUntil(std::uint32_t deadline) {
  MessageQueue& queue = TheMessageQueue();
  Backend& backend = CurrentBackend();
  backend.PollEvents(queue);
  while (!queue.HasNonPaint()) {
    const auto left = static_cast<std::int32_t>(deadline - backend.TickCount());
    if (left <= 0) return false;
    backend.WaitEvents(queue, left);
  }
  return true;
}

bool GetMessage(Msg* msg) {
  MessageQueue& queue = TheMessageQueue();
  Backend& backend = CurrentBackend();
  if (!queue.TakePeeked()) backend.PollEvents(queue);
  while (!queue.Next(msg, true)) backend.WaitEvents(queue, -1);
  return msg->message != WM_QUIT;
}

// Keys need no character messages here: nothing in the saver reads them.
void TranslateMessage(const Msg&) {}

LRESULT DispatchMessage(const Msg& msg) {
  Wnd* wnd = Wnd::FromHandlePermanent(msg.hwnd);
  if (wnd == nullptr) return 0;
  if (msg.message == WM_PLATFORM_DESTROYED) {
    wnd->OnNativeDestroyed();
    return 0;
  }
  return wnd->WindowProc(msg.message, msg.wParam, msg.lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Wnd* wnd = Wnd::FromHandlePermanent(hwnd);
  return wnd == nullptr ? 0 : wnd->WindowProc(message, wParam, lParam);
}

void InvalidateWindow(HWND hwnd) { TheMessageQueue().Invalidate(hwnd); }

void ValidateWindow(HWND hwnd) { TheMessageQueue().Validate(hwnd); }

}  // namespace veltane::platform
