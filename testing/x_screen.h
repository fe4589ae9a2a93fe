#pragma once
// A private X server's screen and windows read back, and its user played through XTest.
// Xlib's macros clash with GoogleTest's names: include this after GoogleTest.

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace veltane::test {

struct Region {
  int x, y, width, height;
};

// Xlib's own handler ends the process at the first X error, which leaves no word of the test that failed
// and no clean-up. This one hands an error to the XErrorTrap that waits for it, or else to report, as a
// line that names the request and the error; the harness makes that a failure of the running test.
void CatchXErrors(std::function<void(const std::string& error)> report);

// While it lives, an error on display is expected: another client's window may go, or be unmapped, between
// two requests about it. Failed() tells whether one came.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Waits for the server's answer to every request so far.
  bool Failed();

 private:
  friend int HandleXError(Display* display, XErrorEvent* event);

  Display* m_display;
  XErrorTrap* m_outer;
  bool m_failed = false;
};

// The window's children, bottom first; none when it has gone.
std::vector<Window> Children(Display* display, Window window);
// The window's attributes and its name; nothing when it has gone.
std::optional<XWindowAttributes> Attributes(Display* display, Window window);
std::string WindowName(Display* display, Window window);

// The region's pixels as 0x00RRGGBB, row by row; empty unless the window is viewable and the region lies on
// the screen, so that a wait reads again until it is.
std::vector<std::uint32_t> ReadPixels(Display* display, Window window, const Region& region);
int CountPixels(Display* display, Window window, const Region& region, bool (*matches)(std::uint32_t));

// Anything but black.
bool IsLit(std::uint32_t pixel);
// More red than blue: the taper and its dish, never the server's black and white background, which shows
// through a window until it is drawn.
bool IsWarm(std::uint32_t pixel);
// Bright yellow: the hot part of a burning flame.
bool IsFlaming(std::uint32_t pixel);

void MovePointer(Display* display, int x, int y);
// Moves the pointer as a warp, which, unlike XTest's motion, reaches every screen that Xinerama joins.
void WarpPointer(Display* display, int x, int y);
// Presses and releases a key, with modifier held meanwhile where one is given.
void TapKey(Display* display, KeySym keysym, KeySym modifier = NoSymbol);
void ClickButton(Display* display, unsigned button);
// Gives the screen a new size as `xrandr --fb` does where the monitors would not fit: they go off first.
void ResizeScreen(Display* display, int width, int height);

}  // namespace veltane::test
