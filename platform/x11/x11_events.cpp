#include <X11/XKBlib.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/input.h"
#include "platform/virtual_keys.h"
#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

namespace {

// The shorter of two waits in milliseconds, where -1 stands for no limit.
int Sooner(int a, int b) { return a < 0 ? b : b < 0 ? a : std::min(a, b); }

// Where the window is told the pointer is: the position less what the server itself has moved it.
Point Seen(const Point& shift, int x, int y) { return Point{x - shift.x, y - shift.y}; }

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

bool X11Backend::FollowHost(const XConfigureEvent& event) {
  if (event.window != event.event) return false;
  const auto host = m_hosts.find(event.window);
  if (host == m_hosts.end()) return false;
  const auto ours = m_windows.find(host->second);
  if (ours != m_windows.end() && (ours->second.width != event.width || ours->second.height != event.height)) {
    XMoveResizeWindow(m_display, host->second, 0, 0, static_cast<unsigned>(std::max(event.width, 1)),
                      static_cast<unsigned>(std::max(event.height, 1)));
  }
  return true;
}

void X11Backend::Translate(const XEvent& event) {
  if (event.type == ConfigureNotify && FollowHost(event.xconfigure)) return;
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
      InputKey(m_events, hwnd, VirtualKeyFromKeysym(static_cast<std::uint32_t>(sym)),
               (event.xkey.state & Mod1Mask) != 0);
      break;
    }
    case ButtonPress: {
      const XButtonEvent& b = event.xbutton;
      // Buttons 4 to 7 are the wheel and horizontal scrolling: up and left turn forward.
      if (b.button <= Button3) {
        InputButton(m_events, hwnd, static_cast<MouseButton>(b.button), MouseKeys(b.state), Point{b.x, b.y});
      } else if (b.button <= 7) {
        InputWheel(m_events, hwnd, b.button == 4 || b.button == 6, MouseKeys(b.state),
                   Point{b.x_root, b.y_root});
      }
      break;
    }
    case MotionNotify:
      InputCursorPos(m_events, hwnd, found->second.pointer, MouseKeys(event.xmotion.state),
                     Seen(found->second.pointerShift, event.xmotion.x, event.xmotion.y));
      break;
    case EnterNotify:
      // Windows tells a window that appears under the pointer where the pointer is; so do we.
      InputCursorPos(m_events, hwnd, found->second.pointer, MouseKeys(event.xcrossing.state),
                     Seen(found->second.pointerShift, event.xcrossing.x, event.xcrossing.y));
      break;
    case FocusOut: {
      const XFocusChangeEvent& f = event.xfocus;
      // Grabs, our own included, move the focus only for their duration; that is no loss of activation.
      const bool realChange = f.mode == NotifyNormal || f.mode == NotifyWhileGrabbed;
      if (realChange && f.detail != NotifyInferior && f.detail != NotifyPointer)
        InputFocusLoss(m_events, hwnd);
      break;
    }
    case Expose: {
      // The server has painted what it lost black; the rest goes back from the picture at the next refresh.
      // The window's own paint draws nothing after its first.
      const XExposeEvent& e = event.xexpose;
      found->second.pacer.Damage(
          Intersect(RectAt(e.x, e.y, e.width, e.height), found->second.picture.LitBounds()));
      if (e.count == 0) m_events.Invalidate(hwnd);
      break;
    }
    case ConfigureNotify: {
      OurWindow& state = found->second;
      const XConfigureEvent& c = event.xconfigure;
      if (c.width != state.width || c.height != state.height) {
        state.width = c.width;
        state.height = c.height;
        state.picture.Resize(Size{c.width, c.height});
        const Size client = state.picture.ClientSize();
        m_events.PostInput(Msg{hwnd, WM_SIZE, 0, MAKELPARAM(client.width, client.height)});
      }
      break;
    }
    case DestroyNotify:
      // Our own destructions left the table before their notification came; this one came from outside.
      if (event.xdestroywindow.window == event.xdestroywindow.event) {
        m_windows.erase(found);
        m_gone.insert(event.xdestroywindow.window);
        if (event.xdestroywindow.window == m_topmost) UnwatchDesktop();
        m_events.DestroyedFromOutside(hwnd);
      }
      break;
    default: break;
  }
}

// One read of the connection at most, and none while Xlib holds events it has read already (a flush reads
// too): every further call to XPending would try the socket again and find it empty.
void X11Backend::ReadEvents() {
  XEvent event;
  for (int queued = XEventsQueued(m_display, QueuedAfterFlush); queued > 0;
       queued = XEventsQueued(m_display, QueuedAlready)) {
    for (; queued > 0; --queued) {
      XNextEvent(m_display, &event);
      if (event.type == GenericEvent) {
        TranslatePresentEvent(event);
      } else if (!m_images->IsCompletion(event)) {
        Translate(event);
      }
    }
  }
  SettleDesktop();
  PresentDue();
}

void X11Backend::PollEvents(EventSink& sink) {
  ReadEvents();
  m_events.DeliverTo(sink);
}

void X11Backend::WaitEvents(EventSink& sink, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (ReadEvents(); m_events.Empty(); ReadEvents()) {
    // Only once Xlib has read the socket dry with its own queue empty is nothing left in its buffers, and
    // only then may the wait sleep on the socket, and no longer than until the next picture is due or the
    // monitors are to be looked at again.
    if (XEventsQueued(m_display, QueuedAfterFlush) > 0) continue;
    int sleep = Sooner(MillisecondsUntilDue(), MillisecondsUntilLayoutCheck());
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      sleep = Sooner(sleep, static_cast<int>(left.count()));
    }
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    if (poll(&connection, 1, sleep) < 0 && errno != EINTR) break;
  }
  m_events.DeliverTo(sink);
}

}  // namespace veltane::platform::x11
