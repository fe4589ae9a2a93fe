#include "platform/input.h"

#include <algorithm>

namespace veltane::platform {

void InputKey(EventSink& sink, HWND hwnd, WPARAM virtualKey, bool altHeld) {
  const bool alt = altHeld || virtualKey == VK_MENU;
  const LPARAM flags = KEY_REPEAT_ONCE | (alt ? KEY_CONTEXT_ALT : 0);
  sink.PostInput(Msg{hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, flags});
}

void InputButton(EventSink& sink, HWND hwnd, MouseButton button, WPARAM keys, Point at) {
  struct Press {
    UINT message;
    WPARAM held;
  };
  constexpr Press kPresses[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_MBUTTONDOWN, MK_MBUTTON}, {WM_RBUTTONDOWN, MK_RBUTTON}};
  const Press& press = kPresses[static_cast<int>(button) - static_cast<int>(MouseButton::Left)];
  sink.PostInput(Msg{hwnd, press.message, keys | press.held, MAKELPARAM(at.x, at.y)});
}

void InputWheel(EventSink& sink, HWND hwnd, bool forward, WPARAM keys, Point screenAt) {
  const auto delta = static_cast<std::uint16_t>(forward ? WHEEL_DELTA : -WHEEL_DELTA);
  sink.PostInput(Msg{hwnd, WM_MOUSEWHEEL, keys | (WPARAM{delta} << 16), MAKELPARAM(screenAt.x, screenAt.y)});
}

void InputCursorPos(EventSink& sink, HWND hwnd, PointerState& pointer, WPARAM keys, Point at) {
  if (pointer.told && pointer.position == at) return;
  pointer = PointerState{true, at};
  sink.PostInput(Msg{hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(at.x, at.y)});
}

void InputFocusLoss(EventSink& sink, HWND hwnd) {
  sink.PostInput(Msg{hwnd, WM_NCACTIVATE, 0, 0});
  sink.PostInput(Msg{hwnd, WM_ACTIVATE, WA_INACTIVE, 0});
  sink.PostInput(Msg{hwnd, WM_ACTIVATEAPP, 0, 0});
}

void PendingEvents::Forget(HWND hwnd) {
  std::erase_if(m_events, [hwnd](const Event& event) { return event.msg.hwnd == hwnd; });
}

void PendingEvents::DeliverTo(EventSink& sink) {
  m_delivering.swap(m_events);
  for (const Event& event : m_delivering) {
    switch (event.kind) {
      case Kind::Input: sink.PostInput(event.msg); break;
      case Kind::Invalidate: sink.Invalidate(event.msg.hwnd); break;
      case Kind::Destroyed: sink.DestroyedFromOutside(event.msg.hwnd); break;
    }
  }
  m_delivering.clear();
}

}  // namespace veltane::platform
