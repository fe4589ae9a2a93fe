#include "tools/icon-art/ico_file.h"

#include <array>
#include <cassert>
#include <cstddef>

namespace veltane::tools {
namespace {

constexpr std::uint32_t kDirectorySize = 6;
constexpr std::uint32_t kEntrySize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPaletteSize = 16 * 4;

// The standard 16-colour palette, as red, green, blue.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// Rows of bitmaps are padded to whole 32-bit words.
std::uint32_t RowBytes(int side, int bitsPerPixel) {
  return ((static_cast<std::uint32_t>(side * bitsPerPixel) + 31) / 32) * 4;
}

std::uint32_t ImageBytes(const IconImage& image) {
  const auto rows = static_cast<std::uint32_t>(image.side);
  return kInfoHeaderSize + kPaletteSize + rows * (RowBytes(image.side, 4) + RowBytes(image.side, 1));
}

// The colour bitmap then the mask, both bottom-up; a transparent pixel is black under a set mask bit.
void PutImage(std::vector<std::uint8_t>& out, const IconImage& image) {
  const int side = image.side;
  assert(image.pixels.size() == static_cast<std::size_t>(side * side));
  const std::uint32_t colourRow = RowBytes(side, 4);
  const std::uint32_t maskRow = RowBytes(side, 1);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(side));
  Put32(out, static_cast<std::uint32_t>(2 * side));  // the colour bitmap and the mask, one above the other
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(side) * (colourRow + maskRow));
  for (int i = 0; i < 4; ++i) {
    Put32(out, 0);
  }
  for (const auto& colour : kPalette) {
    out.insert(out.end(), {colour[2], colour[1], colour[0], 0});
  }
  for (int y = side - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colourRow, 0);
    for (int x = 0; x < side; ++x) {
      const int pixel = image.pixels[static_cast<std::size_t>(y * side + x)];
      const auto index = static_cast<std::uint8_t>(pixel == IconImage::kTransparent ? 0 : pixel);
      row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = side - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < side; ++x) {
      if (image.pixels[static_cast<std::size_t>(y * side + x)] == IconImage::kTransparent) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = kDirectorySize + kEntrySize * static_cast<std::uint32_t>(images.size());
  for (const IconImage& image : images) {
    out.push_back(static_cast<std::uint8_t>(image.side));
    out.push_back(static_cast<std::uint8_t>(image.side));
    out.push_back(16);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, ImageBytes(image));
    Put32(out, offset);
    offset += ImageBytes(image);
  }
  for (const IconImage& image : images) {
    PutImage(out, image);
  }
  return out;
}

}  // namespace veltane::tools
