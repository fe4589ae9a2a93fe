#include <X11/XKBlib.h>
#include <poll.h>

#include <cerrno>

#include "platform/virtual_keys.h"
#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

namespace {

WPARAM MouseKeys(unsigned state) {
  WPARAM keys = 0;
  if (state & Button1Mask) keys |= MK_LBUTTON;
  if (state & Button2Mask) keys |= MK_MBUTTON;
  if (state & Button3Mask) keys |= MK_RBUTTON;
  if (state & ShiftMask) keys |= MK_SHIFT;
  if (state & ControlMask) keys |= MK_CONTROL;
  return keys;
}

}  // namespace

void X11Backend::PostInput(EventSink& sink, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ++m_delivered;
  sink.PostInput(Msg{hwnd, message, wParam, lParam});
}

// The pointer entering a window reports its position twice, as a crossing and as a motion; a window is
// told of a position only when it differs from the last one it was told of.
void X11Backend::PostMove(EventSink& sink, OurWindow& state, HWND hwnd, unsigned keys, int x, int y) {
  const LPARAM position = MAKELPARAM(x, y);
  if (state.hasPointer && state.pointer == position) return;
  state.hasPointer = true;
  state.pointer = position;
  PostInput(sink, hwnd, WM_MOUSEMOVE, MouseKeys(keys), position);
}

void X11Backend::Translate(const XEvent& event, EventSink& sink) {
  if (event.xany.window == m_root) {
    TranslateDesktopEvent(event);
    return;
  }
  const auto found = m_windows.find(event.xany.window);
  if (found == m_windows.end() || event.xany.serial < found->second.createdSerial) return;
  const auto hwnd = static_cast<HWND>(event.xany.window);
  switch (event.type) {
    case KeyPress: {
      const KeySym sym = XkbKeycodeToKeysym(m_display, static_cast<KeyCode>(event.xkey.keycode), 0, 0);
      // Alt pressed by itself counts as held, as it does for the system variant of the message.
      const bool alt = (event.xkey.state & Mod1Mask) != 0 || IsAltKeysym(static_cast<std::uint32_t>(sym));
      PostInput(sink, hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKeyFromKeysym(static_cast<std::uint32_t>(sym)),
                KEY_REPEAT_ONCE | (alt ? KEY_CONTEXT_ALT : 0));
      break;
    }
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      const LPARAM at = MAKELPARAM(b.x, b.y);
      switch (b.button) {
        case Button1: PostInput(sink, hwnd, WM_LBUTTONDOWN, MouseKeys(b.state) | MK_LBUTTON, at); break;
        case Button2: PostInput(sink, hwnd, WM_MBUTTONDOWN, MouseKeys(b.state) | MK_MBUTTON, at); break;
        case Button3: PostInput(sink, hwnd, WM_RBUTTONDOWN, MouseKeys(b.state) | MK_RBUTTON, at); break;
        default: {
          // Buttons 4 to 7 are the wheel and horizontal scrolling: up and left turn forward.
          const int delta = (b.button == 4 || b.button == 6) ? WHEEL_DELTA : -WHEEL_DELTA;
          const WPARAM wParam = MouseKeys(b.state) | (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16);
          if (b.button <= 7) PostInput(sink, hwnd, WM_MOUSEWHEEL, wParam, MAKELPARAM(b.x_root, b.y_root));
          break;
        }
      }
      break;
    }
    case MotionNotify:
      PostMove(sink, found->second, hwnd, event.xmotion.state, event.xmotion.x, event.xmotion.y);
      break;
    case EnterNotify:
      // Windows tells a window that appears under the pointer where the pointer is; so do we.
      PostMove(sink, found->second, hwnd, event.xcrossing.state, event.xcrossing.x, event.xcrossing.y);
      break;
    case FocusOut: {
      const XFocusChangeEvent& f = event.xfocus;
      // Grabs, our own included, move the focus only for their duration; that is no loss of activation.
      const bool realChange = f.mode == NotifyNormal || f.mode == NotifyWhileGrabbed;
      if (realChange && f.detail != NotifyInferior && f.detail != NotifyPointer) {
        PostInput(sink, hwnd, WM_NCACTIVATE, 0, 0);
        PostInput(sink, hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
        PostInput(sink, hwnd, WM_ACTIVATEAPP, 0, 0);
      }
      break;
    }
    case Expose:
      if (event.xexpose.count == 0) {
        ++m_delivered;
        sink.Invalidate(hwnd);
      }
      break;
    case ConfigureNotify: {
      OurWindow& state = found->second;
      const XConfigureEvent& c = event.xconfigure;
      if (c.width != state.width || c.height != state.height) {
        state.width = c.width;
        state.height = c.height;
        PostInput(sink, hwnd, WM_SIZE, 0, MAKELPARAM(c.width, c.height));
      }
      break;
    }
    case DestroyNotify:
      // Our own destructions left the table before their notification came; this one came from outside.
      if (event.xdestroywindow.window == event.xdestroywindow.event) {
        m_windows.erase(found);
        m_gone.insert(event.xdestroywindow.window);
        if (event.xdestroywindow.window == m_topmost) UnwatchDesktop();
        ++m_delivered;
        sink.DestroyedFromOutside(hwnd);
      }
      break;
    default:
      break;
  }
}

// One read of the connection at most, and none while Xlib holds events it has read already (a flush reads
// too): every further call to XPending would try the socket again and find it empty.
void X11Backend::PollEvents(EventSink& sink) {
  XEvent event;
  for (int queued = XEventsQueued(m_display, QueuedAfterFlush); queued > 0;
       queued = XEventsQueued(m_display, QueuedAlready)) {
    for (; queued > 0; --queued) {
      XNextEvent(m_display, &event);
      if (!m_images->IsCompletion(event)) Translate(event, sink);
    }
  }
  SettleDesktop();
}

void X11Backend::WaitEvents(EventSink& sink) {
  const std::uint64_t before = m_delivered;
  for (;;) {
    PollEvents(sink);
    if (m_delivered != before) return;
    // Only once Xlib has read the socket dry with its own queue empty is nothing left in its buffers, and
    // only then may the wait sleep on the socket.
    if (XEventsQueued(m_display, QueuedAfterFlush) > 0) continue;
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    if (poll(&connection, 1, -1) < 0 && errno != EINTR) return;
  }
}

}  // namespace veltane::platform::x11
