#pragma once
// Device-independent bitmaps: the header that describes one, and the one routine that copies one 1:1 into a
// 32-bit pixel surface. Every backend draws through it, so they agree to the pixel.

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltane::platform {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;

// The 40-byte header of a device-independent bitmap, in its on-disk layout.
struct BitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // Positive: rows stored bottom-up.
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = BI_RGB;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};
static_assert(sizeof(RgbQuad) == 4);

// A bitmap to draw: its header, its colour table (empty for 24 bits) and its pixel data with its length,
// so that a decoder never reads past the end of what it was given.
struct DibView {
  BitmapInfoHeader header;
  std::span<const RgbQuad> colors;
  std::span<const std::uint8_t> bits;
};

// Where pixels land: 0x00RRGGBB words, row 0 at the top.
struct Surface {
  std::uint32_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;  // In pixels.
};

// Copies the bitmap 1:1 and opaquely with its top-left corner at (x, y) of the surface, clipped to the
// surface. Handles bottom-up 24-bit BI_RGB and bottom-up 8-bit BI_RLE8 with a colour table; anything else
// draws nothing. Malformed or truncated data never reads or writes out of bounds: decoding stops where
// the data does, and pixels it did not reach are left as they were.
void BlitDib(const DibView& dib, std::int32_t x, std::int32_t y, const Surface& surface);

// Reads a packed bitmap (header, colour table, pixels) as stored in a resource or a .bmp file without its
// 14-byte file header. The table has the header's colour count of entries, or 256 when that count is 0 and
// the depth is below 24 bits; it starts right after the 40 bytes of the header, and the pixels right after
// it, whatever size the header claims for itself. Returns false when the bytes are too short for the header
// and colour table they claim.
bool ParsePackedDib(std::span<const std::uint8_t> packed, DibView* out);

}  // namespace veltane::platform
