#pragma once
// How many screen pixels a side of a window's picture pixel takes: a whole number, chosen for the monitor
// that the window is on, so that the candle keeps its size in inches on a dense screen. Plain rules with no
// window system in them, shared by the backends and tested without a server.

#include <string_view>

#include "platform/win_types.h"

namespace veltane::platform {

// The fewest picture pixels a scaled window may be left with; below that a window draws 1:1.
constexpr Size kMinScaledPicture{160, 120};

// What the X11 rule reads, for the monitor that a window is on.
struct X11ScaleHints {
  const char* gdkScale = nullptr;   // The environment's GDK_SCALE; none when unset.
  std::string_view resources = {};  // The root window's RESOURCE_MANAGER, as the desktop published it.
  Size monitor = {};                // The monitor's size in pixels,
  Size monitorMillimetres = {};     // and in millimetres as RandR reports it: 0 x 0 when it reports none.
  Size screen = {};                 // The whole screen's size in pixels and in millimetres.
  Size screenMillimetres = {};
};

// GDK_SCALE when it is a whole number of 1 or more; else the Xft.dpi resource divided by 96 and rounded down
// (at least 1); else 2 for a monitor at least 1,200 pixels high and denser than 192 dots per inch both ways,
// measured by the monitor's own millimetres or, without them, the screen's; else 1.
int X11Scale(const X11ScaleHints& hints);

// The scale where it leaves a window of this size at least kMinScaledPicture picture pixels, else 1.
int FitScale(int scale, Size window);

}  // namespace veltane::platform
