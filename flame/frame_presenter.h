#pragma once
// Where the 70 x 100 flame image stands in the client area, and drawing it there 1:1 once per frame.

#include <array>
#include <cstdint>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::flame {

// The size of the stage images whose wick the flame stands on; a client area strictly larger in both
// directions shows the image, and with it the flame on its wick.
constexpr std::int32_t kStageImageWidth = 179;
constexpr std::int32_t kStageImageHeight = 174;

// Pixels the flame is raised above the vertically centred place in a large window, per stage 0..5.
constexpr std::array<std::int32_t, 6> StageFlameOffsets{125, 109, 90, 59, 19, -2};

struct FlameRectangle {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const FlameRectangle&, const FlameRectangle&) = default;
};

class FramePresenter {
 public:
  // x and y of FlameRect for a stage, from the window's current client area.
  void PlaceFlame(platform::HWND hwnd, std::int32_t stage);
  // Width 70, height 100, the stage 0 place, and the header.
  void LayoutFlame(platform::HWND hwnd);
  void DrawFlame(platform::HWND hwnd, const std::uint8_t* frontImage) const;
  // Draws only while the window exists and quitFlag is clear.
  void PresentFrame(platform::HWND hwnd, const std::uint8_t* frontImage, bool quitFlag) const;

  platform::BitmapInfoHeader FlameHeader{};
  FlameRectangle FlameRect{};
};

}  // namespace veltane::flame
