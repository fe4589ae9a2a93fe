#include "platform/x11/x11_backend.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/scale.h"
#include "platform/system_time.h"
#include "platform/x11/x11_backend_impl.h"
#include "platform/x11/x11_errors.h"

namespace veltane::platform {

std::unique_ptr<Backend> CreateX11Backend(const char* displayName, const BackendOptions& options) {
  x11::InstallErrorHandlers();
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr) return nullptr;
  return std::make_unique<x11::X11Backend>(display, options.everyFrame);
}

}  // namespace veltane::platform

namespace veltane::platform::x11 {

namespace {

constexpr long kEventMask = ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask |
                            PointerMotionMask | EnterWindowMask | FocusChangeMask;
constexpr unsigned kPointerGrabMask = ButtonPressMask | PointerMotionMask | EnterWindowMask;
// Another client (a screen locker, a menu) may hold a grab for a moment; it is worth waiting that long.
constexpr auto kGrabPatience = std::chrono::seconds(1);
constexpr auto kGrabRetryInterval = std::chrono::milliseconds(20);
constexpr auto kMapPatience = std::chrono::seconds(1);

bool GrabIsBusy(int status) {
  return status == AlreadyGrabbed || status == GrabFrozen || status == GrabNotViewable;
}

// Runs attempt until it says it is settled or the grab patience has run out; whether it settled.
template <typename Attempt>
bool RetryGrabs(Attempt attempt) {
  const auto deadline = std::chrono::steady_clock::now() + kGrabPatience;
  for (;;) {
    if (attempt()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kGrabRetryInterval);
  }
}

Bool IsMapNotifyOf(Display*, XEvent* event, XPointer window) {
  return event->type == MapNotify && event->xmap.window == *reinterpret_cast<Window*>(window) ? True : False;
}

}  // namespace

X11Backend::X11Backend(Display* display, bool everyFrame)
    : m_display(display),
      m_screen(DefaultScreen(display)),
      m_root(RootWindow(display, m_screen)),
      m_visual(DefaultVisual(display, m_screen)),
      m_depth(DefaultDepth(display, m_screen)),
      m_colormap(DefaultColormap(display, m_screen)),
      m_bypassCompositor(XInternAtom(display, "_NET_WM_BYPASS_COMPOSITOR", False)),
      m_images(std::make_unique<ImageCache>(display, m_visual, m_depth)),
      m_everyFrame(everyFrame) {
  // The pointer shape is an all-zero 1-bit bitmap masked by itself: nothing is ever shown.
  static const char kEmpty[32 * 4] = {};
  Pixmap blank = XCreateBitmapFromData(display, m_root, kEmpty, 32, 32);
  XColor black{};
  m_invisibleCursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
  XFreePixmap(display, blank);
  XGCValues values{};
  values.graphics_exposures = False;
  m_gc = XCreateGC(display, m_root, GCGraphicsExposures, &values);
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
      major * 100 + minor >= 105) {
    m_randrEventBase = eventBase;
  }
  m_xinerama = XineramaQueryExtension(display, &eventBase, &errorBase) == True;
  ChoosePace();
}

X11Backend::~X11Backend() {
  while (!m_windows.empty()) DestroyNativeWindow(static_cast<HWND>(m_windows.begin()->first));
  m_images.reset();
  XFreeGC(m_display, m_gc);
  XFreeCursor(m_display, m_invisibleCursor);
  XCloseDisplay(m_display);
}

Window X11Backend::MakeWindow(Window parent, const Rect& rect, bool overrideRedirect, int scale) {
  XSetWindowAttributes attributes{};
  // The server paints what comes back to view black at once, as the picture is outside what it lights, and
  // the rest is put back from the picture at the next refresh.
  attributes.background_pixel = BlackPixel(m_display, m_screen);
  attributes.border_pixel = 0;
  attributes.colormap = m_colormap;
  attributes.cursor = m_invisibleCursor;
  attributes.event_mask = kEventMask;
  attributes.override_redirect = overrideRedirect ? True : False;
  unsigned long mask = CWBackPixel | CWBorderPixel | CWColormap | CWCursor | CWEventMask | CWOverrideRedirect;
  // The full-screen window's contents the server keeps too, where it can, so that a window that shows above
  // it for a moment, before it is put below again, costs no picture at all.
  if (overrideRedirect) {
    attributes.backing_store = WhenMapped;
    mask |= CWBackingStore;
  }
  // The window system refuses empty windows; ours has at least one pixel and reports the size it was given.
  const auto width = static_cast<unsigned>(std::max(rect.Width(), 1));
  const auto height = static_cast<unsigned>(std::max(rect.Height(), 1));
  ErrorTrap trap(m_display);
  const unsigned long serial = NextRequest(m_display);
  const Window window = XCreateWindow(m_display, parent, rect.left, rect.top, width, height, 0, m_depth,
                                      InputOutput, m_visual, mask, &attributes);
  if (trap.Failed()) return None;
  OurWindow& state = m_windows[window];
  state = OurWindow{};
  state.width = static_cast<int>(width);
  state.height = static_cast<int>(height);
  state.createdSerial = serial;
  state.scale = scale;
  state.picture.Resize(Size{state.width, state.height}, scale);
  state.pacer = MakePacer();
  WatchRefreshes(window);
  m_gone.erase(window);
  return window;
}

HWND X11Backend::CreateChildWindow(HWND parent, const Rect& rect, bool visible) {
  if (parent == 0 || !NativeWindowExists(parent)) return 0;
  const Window window = MakeWindow(parent, rect, false, ScaleFor(parent, rect));
  if (window == None) return 0;
  // A preview fills its host's window and follows its size: a host such as a settings window resizes its
  // preview pane with itself.
  m_hosts[parent] = window;
  XSelectInput(m_display, parent, StructureNotifyMask);
  if (visible) XMapWindow(m_display, window);
  XFlush(m_display);
  return static_cast<HWND>(window);
}

HWND X11Backend::CreateTopmostWindow(const Rect& rect, bool visible) {
  const Rect monitor = PrimaryMonitor();
  const Rect placed{monitor.left + rect.left, monitor.top + rect.top, monitor.left + rect.right,
                    monitor.top + rect.bottom};
  if (visible && LockScreenHoldsInput()) return 0;
  Window window = MakeWindow(m_root, placed, true, ScaleFor(m_root, placed));
  if (window == None) return 0;
  const long bypass = 1;
  XChangeProperty(m_display, window, m_bypassCompositor, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&bypass), 1);
  if (visible) {
    WatchDesktop(window, placed);
    XMapRaised(m_display, window);
    WaitForMap(window);
    TakeInput(window, m_windows[window]);
    TellPointerOutside(window, m_windows[window]);
  }
  XFlush(m_display);
  return static_cast<HWND>(window);
}

// The focus and the grabs need a viewable window. An override-redirect window is mapped at once; the wait
// is bounded all the same, so that a window destroyed meanwhile by somebody else cannot hang us.
void X11Backend::WaitForMap(Window window) {
  const auto deadline = std::chrono::steady_clock::now() + kMapPatience;
  XEvent event;
  while (!XCheckIfEvent(m_display, &event, IsMapNotifyOf, reinterpret_cast<XPointer>(&window))) {
    using std::chrono::milliseconds;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left.count()));
  }
}

// A client that holds both the keyboard and the pointer for longer than a menu would is a lock screen, and
// keeps the saver away altogether: beneath the lock it would fight it for the top of the stack, unseen, and
// show once the lock is gone. Each is asked for on the root window and given back at once, before anything
// is shown.
bool X11Backend::LockScreenHoldsInput() {
  return !RetryGrabs([this] {
    const int keyboard = XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (keyboard == GrabSuccess) XUngrabKeyboard(m_display, CurrentTime);
    const int pointer =
        XGrabPointer(m_display, m_root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (pointer == GrabSuccess) XUngrabPointer(m_display, CurrentTime);
    return !GrabIsBusy(keyboard) || !GrabIsBusy(pointer);
  });
}

void X11Backend::TakeInput(Window window, OurWindow& state) {
  XGetInputFocus(m_display, &state.previousFocus, &state.previousRevert);
  XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
  state.tookFocus = true;
  // A grab refused for any other reason than another client's is not asked for again.
  RetryGrabs([&] {
    if (!state.keyboardGrabbed) {
      const int status = XGrabKeyboard(m_display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
      state.keyboardGrabbed = status == GrabSuccess;
      if (!state.keyboardGrabbed && !GrabIsBusy(status)) return true;
    }
    if (!state.pointerGrabbed) {
      const int status = XGrabPointer(m_display, window, False, kPointerGrabMask, GrabModeAsync,
                                      GrabModeAsync, None, m_invisibleCursor, CurrentTime);
      state.pointerGrabbed = status == GrabSuccess;
      if (!state.pointerGrabbed && !GrabIsBusy(status)) return true;
    }
    return state.keyboardGrabbed && state.pointerGrabbed;
  });
}

void X11Backend::DestroyNativeWindow(HWND hwnd) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  const OurWindow state = std::move(found->second);
  m_windows.erase(found);
  m_gone.insert(hwnd);
  if (hwnd == m_topmost) UnwatchDesktop();
  ForgetHostOf(hwnd);
  if (state.keyboardGrabbed) XUngrabKeyboard(m_display, CurrentTime);
  if (state.pointerGrabbed) XUngrabPointer(m_display, CurrentTime);
  XDestroyWindow(m_display, hwnd);
  // The focus goes back where it was; a window that has gone since is refused, which is harmless.
  if (state.tookFocus && state.previousFocus != None) {
    XSetInputFocus(m_display, state.previousFocus, state.previousRevert, CurrentTime);
  }
  XFlush(m_display);
}

// The host may be gone already; the error that the request then meets is ignored.
void X11Backend::ForgetHostOf(Window window) {
  const auto host = std::find_if(m_hosts.begin(), m_hosts.end(),
                                 [window](const auto& entry) { return entry.second == window; });
  if (host == m_hosts.end()) return;
  if (host->first != m_root) XSelectInput(m_display, host->first, NoEventMask);
  m_hosts.erase(host);
}

// The run loop asks this every frame, so our own windows are answered from the table, without a round trip.
// A child whose host has just been destroyed still counts as ours until the notice is read; a draw into it
// meanwhile fails on the server with an error that is ignored, and cannot reach any other client's window,
// since its identifier is ours. Foreign windows are asked of the server.
bool X11Backend::NativeWindowExists(HWND hwnd) {
  if (hwnd == 0) return false;
  if (m_windows.contains(hwnd)) return true;
  if (m_gone.contains(hwnd)) return false;
  XWindowAttributes attributes;
  return XGetWindowAttributes(m_display, hwnd, &attributes) != 0;
}

// Our windows' client areas are in picture pixels, as their pictures will be at the size the server has.
bool X11Backend::ClientRect(HWND hwnd, Rect* rect) {
  XWindowAttributes attributes;
  if (hwnd == 0 || XGetWindowAttributes(m_display, hwnd, &attributes) == 0) return false;
  const auto found = m_windows.find(hwnd);
  const int scale =
      found == m_windows.end() ? 1 : FitScale(found->second.scale, Size{attributes.width, attributes.height});
  *rect = Rect{0, 0, attributes.width / scale, attributes.height / scale};
  return true;
}

Size X11Backend::ScreenSize() {
  const Rect monitor = PrimaryMonitor();
  return Size{monitor.Width(), monitor.Height()};
}

void X11Backend::SetCursor(HCURSOR) {
  // Every cursor of ours is the invisible one, the class cursor included.
  for (const auto& entry : m_windows) XDefineCursor(m_display, entry.first, m_invisibleCursor);
  XFlush(m_display);
}

std::uint32_t X11Backend::TickCount() { return SystemTickCount(); }

std::int64_t X11Backend::CalendarTime() { return SystemCalendarTime(); }

}  // namespace veltane::platform::x11
