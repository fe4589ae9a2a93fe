#pragma once
// The stage images as the program holds them, decoded to 0x00RRGGBB pixels for the tests to compare.

#include <cstdint>
#include <string>
#include <vector>

#include "flame/frame_presenter.h"
#include "platform/dib.h"
#include "platform/resources.h"

namespace veltane::stages::testing {

// The size the flame's placement counts on; the committed images are checked against it.
constexpr std::int32_t kImageWidth = flame::kStageImageWidth;
constexpr std::int32_t kImageHeight = flame::kStageImageHeight;
// A colour no stage image uses, so that a pixel the image failed to code stands out.
constexpr std::uint32_t kUntouched = 0x00FF00FF;

// The embedded bitmap with this id decoded by the drawing routine, row 0 at the top; empty when missing.
inline std::vector<std::uint32_t> DecodedStage(std::uint16_t id) {
  const std::string name = "#" + std::to_string(id);
  platform::DibView image;
  if (!platform::ParsePackedDib(platform::FindResource(name.c_str(), platform::ResourceType::Bitmap),
                                &image)) {
    return {};
  }
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kImageWidth * kImageHeight), kUntouched);
  platform::BlitDib(image, 0, 0, {pixels.data(), kImageWidth, kImageHeight, kImageWidth});
  return pixels;
}

}  // namespace veltane::stages::testing
