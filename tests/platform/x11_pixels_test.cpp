#include "platform/x11/x11_pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace veltane::platform::x11 {
namespace {

struct LayoutCase {
  const char* name;
  PixelLayout layout;
  std::uint32_t rgb;
  std::vector<std::uint8_t> bytes;  // The packed pixel as it lies in memory.
};

class PixelPackerLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(PixelPackerLayouts, PacksAPixelAsTheVisualStoresIt) {
  const LayoutCase& c = GetParam();
  const PixelPacker packer(c.layout);
  ASSERT_TRUE(packer.Valid());
  std::vector<std::uint8_t> fromWords(c.bytes.size() + 1, 0xAA);
  packer.PackRgbWords(&c.rgb, 1, 1, 1, fromWords.data(), fromWords.size());
  std::vector<std::uint8_t> expected = c.bytes;
  expected.push_back(0xAA);  // Nothing is written beyond the pixel.
  EXPECT_EQ(fromWords, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PixelPackerLayouts,
    testing::Values(
        LayoutCase{"Rgb32Lsb", {32, false, 0xFF0000, 0xFF00, 0xFF}, 0x123456, {0x56, 0x34, 0x12, 0x00}},
        LayoutCase{"Rgb32Msb", {32, true, 0xFF0000, 0xFF00, 0xFF}, 0x123456, {0x00, 0x12, 0x34, 0x56}},
        LayoutCase{"Bgr32Lsb", {32, false, 0xFF, 0xFF00, 0xFF0000}, 0x123456, {0x12, 0x34, 0x56, 0x00}},
        LayoutCase{"Rgb24Lsb", {24, false, 0xFF0000, 0xFF00, 0xFF}, 0x123456, {0x56, 0x34, 0x12}},
        LayoutCase{"Rgb24Msb", {24, true, 0xFF0000, 0xFF00, 0xFF}, 0x123456, {0x12, 0x34, 0x56}},
        // 5-6-5: the top bits of each channel; full white fills every bit.
        LayoutCase{"Rgb565", {16, false, 0xF800, 0x07E0, 0x001F}, 0xFF8040, {0x08, 0xFC}},
        LayoutCase{"Rgb565White", {16, false, 0xF800, 0x07E0, 0x001F}, 0xFFFFFF, {0xFF, 0xFF}},
        // 10 bits a channel: full intensity stays full, not 0x3FC.
        LayoutCase{
            "Rgb30", {32, false, 0x3FF00000, 0x000FFC00, 0x000003FF}, 0xFF0000, {0x00, 0x00, 0xF0, 0x3F}}),
    [](const testing::TestParamInfo<LayoutCase>& param) { return std::string(param.param.name); });

TEST(PixelPacker, RefusesLayoutsThatNoTrueColorImageHas) {
  EXPECT_FALSE(PixelPacker(PixelLayout{8, false, 0xE0, 0x1C, 0x03}).Valid());
  EXPECT_FALSE(PixelPacker(PixelLayout{32, false, 0, 0xFF00, 0xFF}).Valid());
  EXPECT_FALSE(PixelPacker(PixelLayout{16, false, 0xFF0000, 0xFF00, 0xFF}).Valid());
}

TEST(PixelPacker, PacksEveryPixelOfWiderRowsInEveryLayout) {
  constexpr int kWidth = 7;
  constexpr int kRows = 3;
  constexpr std::size_t kStride = 9;  // Rows of a wider picture: two words of each are not packed.
  auto rgbAt = [](int x, int row) {
    return static_cast<std::uint32_t>(0x10305 * (x + 1) + 0x70b0d * row) & 0xFFFFFF;
  };
  std::vector<std::uint32_t> words(kStride * kRows, 0xEEEEEE);
  for (int row = 0; row < kRows; ++row) {
    for (int x = 0; x < kWidth; ++x) words[static_cast<std::size_t>(row) * kStride + x] = rgbAt(x, row);
  }
  // The layouts with a path of their own and without, each against its single-pixel packing.
  for (const PixelLayout& layout : {PixelLayout{}, PixelLayout{32, true, 0xFF0000, 0xFF00, 0xFF},
                                    PixelLayout{32, false, 0xFF, 0xFF00, 0xFF0000}}) {
    const PixelPacker packer(layout);
    ASSERT_TRUE(packer.Valid());
    std::vector<std::uint8_t> out(kWidth * kRows * 4, 0xAA);
    packer.PackRgbWords(words.data(), kStride, kWidth, kRows, out.data(), kWidth * 4);
    for (int row = 0; row < kRows; ++row) {
      for (int x = 0; x < kWidth; ++x) {
        std::uint8_t expected[4] = {};
        const std::uint32_t rgb = rgbAt(x, row);
        packer.PackRgbWords(&rgb, 1, 1, 1, expected, 4);
        const std::size_t at = static_cast<std::size_t>(row * kWidth + x) * 4;
        EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + static_cast<std::ptrdiff_t>(at),
                                            out.begin() + static_cast<std::ptrdiff_t>(at) + 4),
                  std::vector<std::uint8_t>(expected, expected + 4))
            << "pixel " << x << ", " << row;
      }
    }
  }
}

}  // namespace
}  // namespace veltane::platform::x11
