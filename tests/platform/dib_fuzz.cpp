// Feeds arbitrary bytes to the bitmap decoder, both as a packed bitmap and as the pixel data of a header
// that the input chooses within small bounds, and draws the result onto a small surface at a position the
// input chooses too. Any read or write out of bounds is caught by the sanitizers.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/dib.h"

namespace {

using veltane::platform::BI_RGB;
using veltane::platform::BI_RLE8;
using veltane::platform::BitmapInfoHeader;
using veltane::platform::DibView;
using veltane::platform::RgbQuad;
using veltane::platform::Surface;

constexpr std::int32_t kSurfaceWidth = 37;
constexpr std::int32_t kSurfaceHeight = 23;
constexpr std::size_t kChoiceBytes = 6;

void Draw(const DibView& dib, std::int32_t x, std::int32_t y) {
  std::vector<std::uint32_t> pixels(kSurfaceWidth * kSurfaceHeight);
  BlitDib(dib, x, y, Surface{pixels.data(), kSurfaceWidth, kSurfaceHeight, kSurfaceWidth});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kChoiceBytes) return 0;
  const std::int32_t x = static_cast<std::int8_t>(data[1]);
  const std::int32_t y = static_cast<std::int8_t>(data[2]);
  const std::span<const std::uint8_t> rest(data + kChoiceBytes, size - kChoiceBytes);
  if ((data[0] & 1) != 0) {
    DibView parsed;
    if (veltane::platform::ParsePackedDib(rest, &parsed)) Draw(parsed, x, y);
    return 0;
  }
  // The header is made here so that the decoder itself is explored, not the search for a valid header.
  BitmapInfoHeader header;
  header.biWidth = 1 + data[3] % 64;
  header.biHeight = 1 + data[4] % 64;
  const bool rle = (data[0] & 2) != 0;
  header.biBitCount = rle ? 8 : 24;
  header.biCompression = rle ? BI_RLE8 : BI_RGB;
  const std::size_t colourCount = std::min<std::size_t>(data[5], rest.size() / sizeof(RgbQuad));
  const std::size_t tableBytes = rle ? colourCount * sizeof(RgbQuad) : 0;
  std::vector<RgbQuad> colours(rle ? colourCount : 0);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] = RgbQuad{rest[i * 4], rest[i * 4 + 1], rest[i * 4 + 2], rest[i * 4 + 3]};
  }
  Draw(DibView{header, colours, rest.subspan(tableBytes)}, x, y);
  return 0;
}
