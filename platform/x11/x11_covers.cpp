// The desktop around the full-screen window: the monitors as RandR or Xinerama list them, a black cover on
// every monitor that the window leaves showing, and the window and its covers kept above other clients'.

#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <optional>
#include <utility>

#include "platform/x11/x11_backend_impl.h"
#include "platform/x11/x11_errors.h"

namespace veltane::platform::x11 {

namespace {

// Monitors set by hand (RandR 1.5) change without a notice on some servers, so the layout is also looked
// at this often (ms): a monitor that comes up shows the desktop for no longer than that.
constexpr std::uint32_t kLayoutCheckInterval = 500;
constexpr int kRandrMask = RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask;

// Where the pointer is, on the screen and relative to a window, and the buttons and modifiers held.
struct PointerPlace {
  Window root = None;
  int rootX = 0;
  int rootY = 0;
  int x = 0;
  int y = 0;
  unsigned keys = 0;
};

// False when the pointer is on another screen.
bool QueryPointer(Display* display, Window window, PointerPlace* place) {
  Window child = None;
  return XQueryPointer(display, window, &place->root, &child, &place->rootX, &place->rootY, &place->x,
                       &place->y, &place->keys) != 0;
}

}  // namespace

// The screen's size comes from the root window itself: a server that joins screens with Xinerama reports
// a RandR size of its first screen alone, and Xlib's own record of the size would follow that.
std::vector<Monitor> X11Backend::QueryMonitors() {
  XWindowAttributes root{};
  XGetWindowAttributes(m_display, m_root, &root);
  const Size screen{root.width, root.height};
  std::vector<Monitor> randr;
  if (m_randrEventBase >= 0) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(m_display, m_root, True, &count);
    for (int i = 0; i < count; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      randr.push_back(Monitor{Rect{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
    }
    if (monitors != nullptr) XRRFreeMonitors(monitors);
  }
  std::vector<Rect> xinerama;
  if (m_xinerama && XineramaIsActive(m_display)) {
    int count = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(m_display, &count);
    for (int i = 0; i < count; ++i) {
      const XineramaScreenInfo& h = heads[i];
      xinerama.push_back(Rect{h.x_org, h.y_org, h.x_org + h.width, h.y_org + h.height});
    }
    if (heads != nullptr) XFree(heads);
  }
  return ChooseMonitors(randr, xinerama, screen);
}

// The notices about other clients' top-level windows and about the monitors are asked for before the
// window is shown, so that nothing mapped after it can go unnoticed.
void X11Backend::WatchDesktop(Window topmost, const Rect& placed) {
  if (m_topmost != None) UnwatchDesktop();
  m_topmost = topmost;
  m_topmostRect = placed;
  m_stacking.AddOurs(static_cast<StackingWatch::Id>(topmost));
  XSelectInput(m_display, m_root, SubstructureNotifyMask);
  if (m_randrEventBase >= 0) XRRSelectInput(m_display, m_root, kRandrMask);
  if (UpdateCovers()) Restack();
}

// A pointer over a cover enters no window of the saver's, so the window is told where it is, as it is told
// when it appears under the pointer; any later motion then ends the saver, wherever the pointer is.
void X11Backend::TellPointerOutside(Window window, const OurWindow& state) {
  PointerPlace place;
  if (!QueryPointer(m_display, window, &place)) return;
  if (place.x >= 0 && place.y >= 0 && place.x < state.width && place.y < state.height) return;
  XEvent motion{};
  motion.xmotion.type = MotionNotify;
  motion.xmotion.window = window;
  motion.xmotion.root = place.root;
  motion.xmotion.x = place.x;
  motion.xmotion.y = place.y;
  motion.xmotion.x_root = place.rootX;
  motion.xmotion.y_root = place.rootY;
  motion.xmotion.state = place.keys;
  motion.xmotion.same_screen = True;
  XSendEvent(m_display, window, False, PointerMotionMask, &motion);
}

// The server moves the pointer by itself when the screen shrinks or the monitor under it changes, and tells
// of that as motion after its notice of the change. Where the pointer is once the change is made stands for
// where the window last saw it, so only a motion away from there ends the saver.
void X11Backend::FollowPointerMovedByServer() {
  const auto found = m_windows.find(m_topmost);
  PointerPlace place;
  if (found == m_windows.end() || !found->second.pointer.told || !QueryPointer(m_display, m_topmost, &place))
    return;
  const Point told = found->second.pointer.position;
  found->second.pointerShift = Point{place.x - told.x, place.y - told.y};
}

void X11Backend::UnwatchDesktop() {
  if (m_topmost == None) return;
  DestroyCovers();
  m_stacking.RemoveOurs(static_cast<StackingWatch::Id>(m_topmost));
  m_topmost = None;
  XSelectInput(m_display, m_root, NoEventMask);
  if (m_randrEventBase >= 0) XRRSelectInput(m_display, m_root, 0);
}

// Once the pending events have been read: a burst of monitor notices asks for the layout once, and a burst of
// other clients' restacks raises ours once.
void X11Backend::SettleDesktop() {
  if (m_topmost == None) return;
  bool restack = m_stacking.RestackNeeded();
  if (std::exchange(m_layoutChanged, false) || TickCount() - m_lastLayoutCheck >= kLayoutCheckInterval) {
    restack = UpdateCovers() || restack;
  }
  if (restack) Restack();
}

int X11Backend::MillisecondsUntilLayoutCheck() {
  if (m_topmost == None) return -1;
  const std::uint32_t since = TickCount() - m_lastLayoutCheck;
  return since >= kLayoutCheckInterval ? 0 : static_cast<int>(kLayoutCheckInterval - since);
}

// A cover is black by its background, which the server paints on every exposure by itself; it asks for no
// events, since the grabs bring all input to the full-screen window. True when a cover came, went or moved:
// a new one is mapped above the full-screen window.
bool X11Backend::UpdateCovers() {
  m_lastLayoutCheck = TickCount();
  std::vector<Rect> current;
  for (const Cover& cover : m_covers) current.push_back(cover.rect);
  const CoverPlan plan = PlanCovers(current, CoverRects(QueryMonitors(), m_topmostRect));
  if (plan.Empty()) return false;
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(m_display, m_screen);
  attributes.border_pixel = 0;
  attributes.colormap = m_colormap;
  attributes.cursor = m_invisibleCursor;
  attributes.override_redirect = True;
  const unsigned long mask = CWBackPixel | CWBorderPixel | CWColormap | CWCursor | CWOverrideRedirect;
  const auto move = [this](Cover& cover, const Rect& rect) {
    XMoveResizeWindow(m_display, cover.window, rect.left, rect.top, static_cast<unsigned>(rect.Width()),
                      static_cast<unsigned>(rect.Height()));
    cover.rect = rect;
  };
  const auto make = [&](const Rect& rect) -> std::optional<Cover> {
    ErrorTrap trap(m_display);
    const Window window = XCreateWindow(
        m_display, m_root, rect.left, rect.top, static_cast<unsigned>(rect.Width()),
        static_cast<unsigned>(rect.Height()), 0, m_depth, InputOutput, m_visual, mask, &attributes);
    if (trap.Failed()) return std::nullopt;
    const long bypass = 1;
    XChangeProperty(m_display, window, m_bypassCompositor, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&bypass), 1);
    m_stacking.AddOurs(static_cast<StackingWatch::Id>(window));
    XMapWindow(m_display, window);
    return Cover{window, rect};
  };
  ApplyCoverPlan(plan, &m_covers, move, make, [this](const Cover& cover) { DestroyCover(cover); });
  return true;
}

void X11Backend::DestroyCover(const Cover& cover) {
  m_stacking.RemoveOurs(static_cast<StackingWatch::Id>(cover.window));
  XDestroyWindow(m_display, cover.window);
}

void X11Backend::DestroyCovers() {
  for (const Cover& cover : m_covers) DestroyCover(cover);
  m_covers.clear();
}

// The covers go up first and the full-screen window last, so that it stays above a cover that overlaps it.
void X11Backend::Restack() {
  for (const Cover& cover : m_covers) XRaiseWindow(m_display, cover.window);
  XRaiseWindow(m_display, m_topmost);
  m_stacking.RestackDone();
  XFlush(m_display);
}

void X11Backend::TranslateDesktopEvent(const XEvent& event) {
  if (m_topmost == None) return;
  if (m_randrEventBase >= 0 &&
      (event.type == m_randrEventBase + RRScreenChangeNotify || event.type == m_randrEventBase + RRNotify)) {
    m_layoutChanged = true;
    FollowPointerMovedByServer();
    return;
  }
  switch (event.type) {
    case CreateNotify: m_stacking.Created(static_cast<StackingWatch::Id>(event.xcreatewindow.window)); break;
    case MapNotify: m_stacking.Mapped(static_cast<StackingWatch::Id>(event.xmap.window)); break;
    case ConfigureNotify:
      m_stacking.Restacked(static_cast<StackingWatch::Id>(event.xconfigure.window),
                           static_cast<StackingWatch::Id>(event.xconfigure.above));
      break;
    case CirculateNotify:
      if (event.xcirculate.place == PlaceOnTop)
        m_stacking.MovedToTop(static_cast<StackingWatch::Id>(event.xcirculate.window));
      break;
    case ReparentNotify:
      // A window that the root adopts goes on top; one that leaves it is no sibling of ours any more.
      if (event.xreparent.parent == m_root) {
        m_stacking.MovedToTop(static_cast<StackingWatch::Id>(event.xreparent.window));
      } else {
        m_stacking.Destroyed(static_cast<StackingWatch::Id>(event.xreparent.window));
      }
      break;
    case DestroyNotify:
      m_stacking.Destroyed(static_cast<StackingWatch::Id>(event.xdestroywindow.window));
      break;
    default: break;
  }
}

}  // namespace veltane::platform::x11
