#include "platform/scale.h"

#include <gtest/gtest.h>

namespace veltane::platform {
namespace {

constexpr Size k4k{3840, 2160};
constexpr Size k220Dpi{443, 249};  // A 4K monitor's millimetres at these densities.
constexpr Size k96Dpi{1016, 572};

// Each input alone, then each over those after it: GDK_SCALE, then Xft.dpi, then the monitor's density
// from RandR's millimetres, or else the screen's.
TEST(X11Scale, TheDesktopsWordComesFirstThenTheMonitorsDensity) {
  struct Case {
    const char* name;
    const char* gdkScale;
    const char* resources;
    Size monitor, monitorMillimetres, screenMillimetres;
    int scale;
  };
  const Case cases[] = {
      {"nothing known", nullptr, "", {}, {}, {}, 1},
      {"GDK_SCALE", "3", "", {}, {}, {}, 3},
      {"GDK_SCALE 1 over all", "1", "Xft.dpi:\t192", k4k, k220Dpi, {}, 1},
      {"GDK_SCALE no whole number", "1.5", "Xft.dpi: 192", {}, {}, {}, 2},
      {"Xft.dpi among others", nullptr, "*bg: red\nXft.dpi:\t192\nXft.rgba: rgb\n", {}, {}, {}, 2},
      {"Xft.dpi rounded down", nullptr, "Xft.dpi:\t144\n", {}, {}, {}, 1},
      {"Xft.dpi below 96 over density", nullptr, "Xft.dpi: 72", k4k, k220Dpi, {}, 1},
      {"a dense monitor", nullptr, "", k4k, k220Dpi, {}, 2},
      {"a 4K monitor at 96 dpi", nullptr, "", k4k, k96Dpi, {}, 1},
      {"the screen's millimetres", nullptr, "", k4k, {}, k220Dpi, 2},
      {"RandR's before the screen's", nullptr, "", k4k, k96Dpi, k220Dpi, 1},
      {"under 1,200 pixels high", nullptr, "", {1920, 1080}, {221, 124}, {}, 1},
      {"exactly 192 dpi across", nullptr, "", {3840, 2400}, {508, 150}, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        X11Scale({c.gdkScale, c.resources, c.monitor, c.monitorMillimetres, c.monitor, c.screenMillimetres}),
        c.scale);
  }
}

TEST(FitScale, AScaleThatLeavesUnder160x120PicturePixelsFallsBackTo1) {
  EXPECT_EQ(FitScale(2, {320, 240}), 2);
  EXPECT_EQ(FitScale(2, {319, 240}), 1);
  EXPECT_EQ(FitScale(2, {320, 239}), 1);
}

}  // namespace
}  // namespace veltane::platform
