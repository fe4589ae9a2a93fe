#pragma once
// The X11 backend's class, shared by the files that implement it (windows, events, drawing).

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/backend.h"
#include "platform/input.h"
#include "platform/monitor_layout.h"
#include "platform/picture.h"
#include "platform/refresh_pacer.h"
#include "platform/x11/stacking_watch.h"
#include "platform/x11/x11_image.h"

namespace veltane::platform::x11 {

class X11Backend : public Backend {
 public:
  // everyFrame: each picture goes to the server as soon as it is drawn (see BackendOptions).
  X11Backend(Display* display, bool everyFrame);
  ~X11Backend() override;

  HWND CreateChildWindow(HWND parent, const Rect& rect, bool visible) override;
  HWND CreateTopmostWindow(const Rect& rect, bool visible) override;
  void DestroyNativeWindow(HWND hwnd) override;
  bool NativeWindowExists(HWND hwnd) override;
  bool ClientRect(HWND hwnd, Rect* rect) override;
  Size ScreenSize() override;
  HWND DesktopWindow() override { return static_cast<HWND>(m_root); }
  void SetCursor(HCURSOR cursor) override;
  void PollEvents(EventSink& sink) override;
  void WaitEvents(EventSink& sink, int timeoutMs) override;
  HDC GetDC(HWND hwnd) override;
  void ReleaseDC(HWND hwnd, HDC dc) override;
  void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) override;
  void DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) override;
  std::uint32_t TickCount() override;
  std::int64_t CalendarTime() override;
  bool ClaimFullScreen() override;

 private:
  struct OurWindow {
    int width = 0;
    int height = 0;
    bool keyboardGrabbed = false;
    bool pointerGrabbed = false;
    bool tookFocus = false;
    Window previousFocus = None;
    int previousRevert = RevertToNone;
    PointerState pointer;
    // How far the server has moved the pointer by itself as screens and monitors changed; the window is
    // told positions as if it had not, so that only the user's own motion counts.
    Point pointerShift;
    // The request that made the window. An event older than it belongs to an earlier window that had
    // the same identifier, should the identifier ever be handed out again.
    unsigned long createdSerial = 0;
    // The scale that the window's monitor asks for, which its picture takes where the window is large
    // enough.
    int scale = 1;
    // What the window shows, and the pace at which what is drawn there goes to the server.
    Picture picture;
    RefreshPacer pacer;
  };

  struct Cover {
    Window window;
    Rect rect;
  };

  // The monitors as RandR or Xinerama list them, and where the primary one lies on the root window.
  std::vector<Monitor> QueryMonitors();
  Rect PrimaryMonitor() { return PrimaryOf(QueryMonitors()); }
  // The black covers of the monitors around the topmost window, and keeping them and it above the rest.
  void WatchDesktop(Window topmost, const Rect& placed);
  void UnwatchDesktop();
  void TellPointerOutside(Window window, const OurWindow& state);
  void FollowPointerMovedByServer();
  void SettleDesktop();
  // How long a wait may sleep before the monitors are to be looked at again; -1 without a full-screen window.
  int MillisecondsUntilLayoutCheck();
  bool UpdateCovers();
  void DestroyCover(const Cover& cover);
  void DestroyCovers();
  void Restack();
  void TranslateDesktopEvent(const XEvent& event);
  // A host's window has a new size: the preview in it takes the host's whole client area again.
  bool FollowHost(const XConfigureEvent& event);
  void ForgetHostOf(Window window);
  Window MakeWindow(Window parent, const Rect& rect, bool overrideRedirect, int scale);
  // The scale for a window at rect in parent's coordinates, by the monitor that the window is on.
  int ScaleFor(Window parent, const Rect& rect);
  Size OutputMillimetres(const Rect& monitor);
  void WaitForMap(Window window);
  bool LockScreenHoldsInput();
  void TakeInput(Window window, OurWindow& state);
  // Turns what the server sent into m_events; then the desktop around the full-screen window is settled,
  // and the pictures that are due go out.
  void ReadEvents();
  void Translate(const XEvent& event);
  void ChoosePace();
  std::int64_t ModeRefreshInterval();
  RefreshPacer MakePacer() const;
  void WatchRefreshes(Window window);
  void TranslatePresentEvent(XEvent& event);
  void PresentDue();
  // How long a wait for events may sleep before a picture is due; -1 for no limit.
  int MillisecondsUntilDue() const;
  void PutPicture(Window window, const Picture& picture, const Rect& rect);

  Display* m_display;
  int m_screen;
  Window m_root;
  Visual* m_visual;
  int m_depth;
  Colormap m_colormap;
  Cursor m_invisibleCursor = None;
  GC m_gc = nullptr;
  Atom m_bypassCompositor;
  // Our windows that exist as far as this connection knows: a window leaves when we destroy it or when
  // its destruction notice is read. Only we can be given our windows' identifiers, so one that has left
  // goes to m_gone, and the existence of either is answered here without asking the server.
  std::unordered_map<Window, OurWindow> m_windows;
  std::unordered_set<Window> m_gone;
  std::unordered_map<Window, Window> m_hosts;  // A host's window, and the preview of ours that fills it.
  std::unique_ptr<ImageCache> m_images;
  bool m_everyFrame;
  PendingEvents m_events;     // Read from the server, handed to the sink once the read is done.
  int m_randrEventBase = -1;  // -1 without RandR 1.5 monitors.
  // The display's pace: the Present extension's major opcode (-1 without it), else the clock's interval in
  // microseconds; or every frame as it is drawn.
  int m_presentOpcode = -1;
  std::int64_t m_refreshInterval = 0;
  // The full-screen window, where it lies, and the covers that belong to it.
  Window m_topmost = None;
  Rect m_topmostRect;
  std::vector<Cover> m_covers;
  StackingWatch m_stacking;
  std::uint32_t m_lastLayoutCheck = 0;
  bool m_layoutChanged = false;  // A monitor notice has come since the layout was last asked for.
  bool m_xinerama = false;       // The server has the Xinerama extension.
};

}  // namespace veltane::platform::x11
