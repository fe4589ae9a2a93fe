#include "platform/dib.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace veltane::platform {
namespace {

// Larger bitmaps are taken for corrupt: no screen has so many pixels in a line or a column, and the limit
// keeps every size computed from a header far from overflowing.
constexpr std::int64_t kMaxDimension = 1 << 16;
constexpr std::size_t kHeaderBytes = sizeof(BitmapInfoHeader);
// Below this depth a colour count of 0 stands for a full table of 256 entries, whatever the depth.
constexpr std::uint16_t kDirectColourBits = 24;
constexpr std::uint64_t kDefaultColourCount = 256;

constexpr std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

constexpr std::int64_t RowBytes24(std::int64_t width) { return (width * 3 + 3) & ~std::int64_t{3}; }

// Where the bitmap's bottom-up rows land on the surface; coordinates are 64-bit so that a position far
// off the surface cannot overflow.
struct Placement {
  const Surface& surface;
  std::int64_t x;
  std::int64_t bottom;  // Surface line of bitmap row 0.
  std::int64_t width;

  // The pointer to the surface line of bitmap row `row`, or nullptr when that line is off the surface.
  std::uint32_t* Line(std::int64_t row) const {
    const std::int64_t line = bottom - row;
    if (line < 0 || line >= surface.height) return nullptr;
    return surface.pixels + line * surface.stride;
  }
  // The first and one-past-last bitmap columns that fall on the surface.
  std::int64_t FirstColumn() const { return std::max<std::int64_t>(0, -x); }
  std::int64_t EndColumn() const { return std::min<std::int64_t>(width, surface.width - x); }
};

// The flame is drawn through this every frame. Four pixels are twelve bytes, three little-endian words,
// from which the four 0x00RRGGBB words are shifted out; the rest go one by one.
void ConvertBgrRow(const std::uint8_t* from, std::uint32_t* to, std::int64_t count) {
  std::int64_t done = 0;
  for (; std::endian::native == std::endian::little && done + 4 <= count; done += 4, from += 12, to += 4) {
    std::uint32_t w[3];
    std::memcpy(w, from, sizeof w);
    to[0] = w[0] & 0xFFFFFFu;
    to[1] = (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
    to[2] = (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
    to[3] = w[2] >> 8;
  }
  for (; done < count; ++done, from += 3, ++to) *to = Rgb(from[2], from[1], from[0]);
}

void BlitRgb24(const DibView& dib, const Placement& place) {
  const std::int64_t rowBytes = RowBytes24(place.width);
  const std::int64_t available = static_cast<std::int64_t>(dib.bits.size());
  const std::uint8_t* bits = dib.bits.data();
  const std::int64_t first = place.FirstColumn();
  for (std::int64_t row = 0; row < dib.header.biHeight; ++row) {
    const std::int64_t rowStart = row * rowBytes;
    if (rowStart >= available) break;
    std::uint32_t* line = place.Line(row);
    if (line == nullptr) continue;
    const std::int64_t end = std::min(place.EndColumn(), (available - rowStart) / 3);
    ConvertBgrRow(bits + rowStart + first * 3, line + place.x + first, end - first);
  }
}

// An 8-bit run-length decoder that trusts nothing in the data: every read is checked against the end of
// the bits, every colour index against the table, and every write against the bitmap and the surface.
class Rle8Decoder {
 public:
  Rle8Decoder(const DibView& dib, const Placement& place) : m_dib(dib), m_place(place) {}

  void Run() {
    const std::span<const std::uint8_t> bits = m_dib.bits;
    std::size_t at = 0;
    while (at + 2 <= bits.size() && m_row < m_dib.header.biHeight) {
      const std::uint8_t count = bits[at];
      const std::uint8_t code = bits[at + 1];
      at += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) Put(code);
      } else if (code == 0) {
        m_column = 0;
        ++m_row;
      } else if (code == 1) {
        return;
      } else if (code == 2) {
        if (at + 2 > bits.size()) return;
        m_column += bits[at];
        m_row += bits[at + 1];
        at += 2;
      } else {
        const std::size_t length = std::min<std::size_t>(code, bits.size() - at);
        for (std::size_t i = 0; i < length; ++i) Put(bits[at + i]);
        at += code + (code & 1u);
      }
    }
  }

 private:
  void Put(std::uint8_t index) {
    const std::int64_t column = m_column++;
    if (column < m_place.FirstColumn() || column >= m_place.EndColumn()) return;
    std::uint32_t* line = m_place.Line(m_row);
    if (line == nullptr) return;
    std::uint32_t colour = 0;
    if (index < m_dib.colors.size()) {
      const RgbQuad& quad = m_dib.colors[index];
      colour = Rgb(quad.red, quad.green, quad.blue);
    }
    line[m_place.x + column] = colour;
  }

  const DibView& m_dib;
  const Placement& m_place;
  std::int64_t m_column = 0;
  std::int64_t m_row = 0;
};

bool SaneSize(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension;
}

}  // namespace

void BlitDib(const DibView& dib, std::int32_t x, std::int32_t y, const Surface& surface) {
  const BitmapInfoHeader& header = dib.header;
  if (!SaneSize(header.biWidth, header.biHeight) || surface.pixels == nullptr || surface.width <= 0 ||
      surface.height <= 0 || surface.stride < surface.width) {
    return;
  }
  const Placement place{surface, x, std::int64_t{y} + header.biHeight - 1, header.biWidth};
  if (header.biCompression == BI_RGB && header.biBitCount == 24) {
    BlitRgb24(dib, place);
  } else if (header.biCompression == BI_RLE8 && header.biBitCount == 8) {
    Rle8Decoder(dib, place).Run();
  }
}

bool ParsePackedDib(std::span<const std::uint8_t> packed, DibView* out) {
  if (packed.size() < kHeaderBytes) return false;
  BitmapInfoHeader header;
  std::memcpy(&header, packed.data(), kHeaderBytes);
  if (header.biSize < kHeaderBytes || header.biSize > packed.size()) return false;
  if (!SaneSize(header.biWidth, header.biHeight)) return false;
  if (header.biBitCount == 0 || header.biBitCount > 32) return false;
  std::uint64_t colourCount = header.biClrUsed;
  if (colourCount == 0 && header.biBitCount < kDirectColourBits) colourCount = kDefaultColourCount;
  const std::uint64_t tableEnd = kHeaderBytes + colourCount * sizeof(RgbQuad);
  if (tableEnd > packed.size()) return false;
  std::span<const std::uint8_t> bits = packed.subspan(static_cast<std::size_t>(tableEnd));
  if (header.biSizeImage != 0 && header.biSizeImage < bits.size()) bits = bits.first(header.biSizeImage);
  out->header = header;
  out->colors = std::span<const RgbQuad>(reinterpret_cast<const RgbQuad*>(packed.data() + kHeaderBytes),
                                         static_cast<std::size_t>(colourCount));
  out->bits = bits;
  return true;
}

}  // namespace veltane::platform
