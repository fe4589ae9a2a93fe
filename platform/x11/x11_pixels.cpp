#include "platform/x11/x11_pixels.h"

#include <bit>
#include <cstring>

namespace veltane::platform::x11 {

namespace {

// The 8-bit channel value c placed in the bits of mask, scaled to the mask's width.
std::uint32_t Scale(std::uint32_t c, std::uint32_t mask) {
  const int shift = std::countr_zero(mask);
  const int width = std::popcount(mask);
  std::uint32_t value = c << (width - 8 > 0 ? width - 8 : 0);
  if (width < 8) value = c >> (8 - width);
  // Wider channels repeat the top bits below, so that full intensity fills the whole field.
  if (width > 8 && width <= 16) value |= c >> (16 - width);
  return (value << shift) & mask;
}

template <int kBytes, bool kMsbFirst>
inline void Store(std::uint8_t* dst, std::uint32_t pixel) {
  for (int i = 0; i < kBytes; ++i) {
    const int shift = kMsbFirst ? 8 * (kBytes - 1 - i) : 8 * i;
    dst[i] = static_cast<std::uint8_t>(pixel >> shift);
  }
}

struct Tables {
  const std::uint32_t* red;
  const std::uint32_t* green;
  const std::uint32_t* blue;
};

// One table look-up per channel keeps every layout on the same short path; the loop bodies touch only
// local pointers.
template <int kBytes, bool kMsbFirst>
void PackWordRows(Tables t, const std::uint32_t* words, std::size_t srcStride, int width, int rows,
                  std::uint8_t* dst, std::size_t dstStride) {
  for (int row = 0; row < rows; ++row) {
    const std::uint32_t* src = words + static_cast<std::size_t>(row) * srcStride;
    std::uint8_t* out = dst + static_cast<std::size_t>(row) * dstStride;
    for (int x = 0; x < width; ++x, out += kBytes) {
      const std::uint32_t rgb = src[x];
      Store<kBytes, kMsbFirst>(out,
                               t.red[(rgb >> 16) & 0xFF] | t.green[(rgb >> 8) & 0xFF] | t.blue[rgb & 0xFF]);
    }
  }
}

template <typename Fn>
void Dispatch(int bytes, bool msbFirst, Fn&& fn) {
  switch (bytes * 2 + (msbFirst ? 1 : 0)) {
    case 4: fn.template operator()<2, false>(); break;
    case 5: fn.template operator()<2, true>(); break;
    case 6: fn.template operator()<3, false>(); break;
    case 7: fn.template operator()<3, true>(); break;
    case 8: fn.template operator()<4, false>(); break;
    case 9: fn.template operator()<4, true>(); break;
    default: break;
  }
}

}  // namespace

PixelPacker::PixelPacker(const PixelLayout& layout)
    : m_bytesPerPixel(layout.bitsPerPixel / 8), m_msbFirst(layout.msbFirst) {
  const std::uint64_t limit = layout.bitsPerPixel >= 32 ? 0x100000000ull : 1ull << layout.bitsPerPixel;
  const bool sizeOk = layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
  const bool masksOk = layout.redMask != 0 && layout.greenMask != 0 && layout.blueMask != 0 &&
                       layout.redMask < limit && layout.greenMask < limit && layout.blueMask < limit;
  m_valid = sizeOk && masksOk;
  if (!m_valid) return;
  m_nativeRgb32 = layout.bitsPerPixel == 32 && layout.msbFirst == (std::endian::native == std::endian::big) &&
                  layout.redMask == 0xFF0000 && layout.greenMask == 0x00FF00 && layout.blueMask == 0x0000FF;
  for (std::uint32_t c = 0; c < 256; ++c) {
    m_red[c] = Scale(c, layout.redMask);
    m_green[c] = Scale(c, layout.greenMask);
    m_blue[c] = Scale(c, layout.blueMask);
  }
}

std::uint32_t PixelPacker::Pack(std::uint32_t rgb) const {
  return m_red[(rgb >> 16) & 0xFF] | m_green[(rgb >> 8) & 0xFF] | m_blue[rgb & 0xFF];
}

void PixelPacker::PackRgbWords(const std::uint32_t* src, std::size_t srcStride, int width, int rows,
                               std::uint8_t* dst, std::size_t dstStride) const {
  // The common layout is the words themselves.
  if (m_nativeRgb32) {
    for (int row = 0; row < rows; ++row) {
      std::memcpy(dst + static_cast<std::size_t>(row) * dstStride,
                  src + static_cast<std::size_t>(row) * srcStride,
                  static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
    return;
  }
  const Tables t{m_red.data(), m_green.data(), m_blue.data()};
  Dispatch(m_bytesPerPixel, m_msbFirst, [&]<int kBytes, bool kMsbFirst>() {
    PackWordRows<kBytes, kMsbFirst>(t, src, srcStride, width, rows, dst, dstStride);
  });
}

}  // namespace veltane::platform::x11
