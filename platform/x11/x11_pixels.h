#pragma once
// Packing of 24-bit colour into the pixel format of an X visual. Kept free of Xlib so that every layout a
// server may offer can be checked without one.

#include <array>
#include <cstddef>
#include <cstdint>

namespace veltane::platform::x11 {

// How a TrueColor visual stores one pixel in an image.
struct PixelLayout {
  int bitsPerPixel = 32;  // 16, 24 or 32.
  bool msbFirst = false;  // The image's byte order.
  std::uint32_t redMask = 0xFF0000;
  std::uint32_t greenMask = 0x00FF00;
  std::uint32_t blueMask = 0x0000FF;
};

class PixelPacker {
 public:
  explicit PixelPacker(const PixelLayout& layout = {});

  // False for layouts that no TrueColor image can have (an empty mask, an unsupported pixel size).
  bool Valid() const { return m_valid; }
  int BytesPerPixel() const { return m_bytesPerPixel; }
  // Whether the layout is 0x00RRGGBB words as they are, which need no packing at all.
  bool TakesWords() const { return m_nativeRgb32; }
  std::uint32_t Pack(std::uint32_t rgb) const;

  // Writes rows of 0x00RRGGBB words into the destination, row for row.
  void PackRgbWords(const std::uint32_t* src, std::size_t srcStride, int width, int rows, std::uint8_t* dst,
                    std::size_t dstStride) const;

 private:
  std::array<std::uint32_t, 256> m_red{};
  std::array<std::uint32_t, 256> m_green{};
  std::array<std::uint32_t, 256> m_blue{};
  int m_bytesPerPixel = 4;
  bool m_msbFirst = false;
  bool m_valid = false;
  // 32-bit pixels of 8-bit channels in the host's own byte order, as most servers want: 0x00RRGGBB words
  // as they are.
  bool m_nativeRgb32 = false;
};

}  // namespace veltane::platform::x11
