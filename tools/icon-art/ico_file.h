#pragma once
// Icon files of 16-colour images: each image a 4-bit colour bitmap over the standard 16-colour palette
// with a 1-bit transparency mask, as the window system's icon resources hold them.

#include <cstdint>
#include <vector>

namespace veltane::tools {

// One square image, rows top to bottom; a pixel is a palette index 0 to 15, or kTransparent.
struct IconImage {
  static constexpr int kTransparent = -1;
  int side = 0;
  std::vector<int> pixels;
};

// The whole .ico file holding the images in the order given.
std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images);

}  // namespace veltane::tools
