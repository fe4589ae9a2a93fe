#pragma once
// The contract between the platform layer and a window system. Three backends fill it: X11 (the real one),
// Wayland, and in-memory (tests and veltane-render). Everything above this header is written once; a backend
// only makes native windows, reports what happens to them through EventSink (input through the shared
// functions of input.h), draws, and tells the time.

#include <cstdint>
#include <memory>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform {

// How a backend is made. The program takes the defaults; a test or a benchmark may ask for something else.
struct BackendOptions {
  // Each picture goes to the window system as soon as it is drawn rather than once a refresh, as before the
  // backends kept the display's pace, for a benchmark to measure the pace against.
  bool everyFrame = false;
  // Wayland: the layer shell goes unused where the compositor offers it, so that the full-screen toplevel,
  // which compositors without the layer shell get, can be tried on a compositor that offers both.
  bool ignoreLayerShell = false;
};

// What a backend reports. The message queue implements it; a backend calls it only from PollEvents or
// WaitEvents, on the one thread.
class EventSink {
 public:
  virtual ~EventSink() = default;
  // A key, button, motion or activation message, appended to the input queue in arrival order.
  virtual void PostInput(const Msg& msg) = 0;
  // The window was shown or exposed: its update region becomes invalid.
  virtual void Invalidate(HWND hwnd) = 0;
  // The native window is gone without our asking (its parent was destroyed): the queue delivers
  // WM_PLATFORM_DESTROYED for it, whose dispatch runs the destruction sequence.
  virtual void DestroyedFromOutside(HWND hwnd) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // A visible or hidden child of a foreign window, at rect in the parent's client coordinates.
  // Returns 0 when the parent does not exist or the window cannot be made.
  virtual HWND CreateChildWindow(HWND parent, const Rect& rect, bool visible) = 0;
  // A window above all others over the primary monitor; rect is relative to that monitor's origin.
  // The backend takes the keyboard and pointer where the window system has such a notion. Returns 0 when
  // the window cannot be made, or when another client (a lock screen) keeps the input from it.
  virtual HWND CreateTopmostWindow(const Rect& rect, bool visible) = 0;
  // Marks the display as showing this process's full-screen saver, for as long as the process lives,
  // however it ends. False when another process holds the mark: one full-screen saver runs at a time.
  // A display of the process's own (the in-memory backend's) has nobody to share it with.
  virtual bool ClaimFullScreen() { return true; }
  // Destroys a native window that we made. Harmless on a window that is already gone.
  virtual void DestroyNativeWindow(HWND hwnd) = 0;
  // Whether the native window (ours or foreign) still exists.
  virtual bool NativeWindowExists(HWND hwnd) = 0;
  // The client area of any window (ours or foreign), origin 0, 0. False when there is no such window.
  virtual bool ClientRect(HWND hwnd, Rect* rect) = 0;
  // The primary monitor's size in pixels.
  virtual Size ScreenSize() = 0;
  // The window that spans the whole screen beneath every other, as X11's root window does; 0 where the
  // window system has none that a client may draw into.
  virtual HWND DesktopWindow() { return 0; }
  // Shows the invisible cursor over our windows (cursor 0), or the class cursor, which is invisible too.
  virtual void SetCursor(HCURSOR cursor) = 0;

  // Moves every pending native event to the sink without blocking.
  virtual void PollEvents(EventSink& sink) = 0;
  // Blocks until at least one native event has been moved to the sink, or until timeoutMs milliseconds
  // have passed (-1: no limit). Pictures already drawn still go to the display at its pace meanwhile.
  virtual void WaitEvents(EventSink& sink, int timeoutMs) = 0;

  // A drawing context for the window's client area, or 0 when none can be had.
  virtual HDC GetDC(HWND hwnd) = 0;
  virtual void ReleaseDC(HWND hwnd, HDC dc) = 0;
  // Fills rect of the client area with colour 0x00RRGGBB.
  virtual void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) = 0;
  // Draws the bitmap 1:1 and opaquely with its top-left corner at (x, y), clipped to the client area.
  virtual void DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) = 0;

  // Milliseconds in 32 bits that wrap.
  virtual std::uint32_t TickCount() = 0;
  // Calendar time in whole seconds.
  virtual std::int64_t CalendarTime() = 0;
};

// The backend that the platform functions use. Set once at start-up (tests set their own).
void SetBackend(std::unique_ptr<Backend> backend);
Backend& CurrentBackend();
bool HasBackend();

}  // namespace veltane::platform
