#pragma once
// A private X server's screen and windows read back, and its user played through XTest.
// Xlib's macros clash with GoogleTest's names: include this after GoogleTest.

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

namespace veltane::test {

struct Region {
  int x, y, width, height;
};

// The window's children, bottom first; none when it has gone.
std::vector<Window> Children(Display* display, Window window);

// The region's pixels as 0x00RRGGBB, row by row; empty when it cannot be read, as before the window shows.
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

}  // namespace veltane::test
