#include "tools/render/png_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tests/tools/png_reader.h"

namespace veltane::render {
namespace {

TEST(PngWriter, PixelsSurviveTheRoundTripAndTheBytesRepeat) {
  const std::int32_t width = 7;
  const std::int32_t height = 3;
  std::vector<std::uint32_t> pixels;
  for (std::int32_t i = 0; i < width * height; ++i)
    pixels.push_back(0x010203u * static_cast<std::uint32_t>(i) ^ 0xA05000u);
  const auto dir = std::filesystem::temp_directory_path();
  const auto first = dir / "veltane-png-test-1.png";
  const auto second = dir / "veltane-png-test-2.png";
  ASSERT_TRUE(WritePng(first.string(), pixels, width, height));
  ASSERT_TRUE(WritePng(second.string(), pixels, width, height));

  const auto bytes = ReadFile(first);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  EXPECT_EQ(bytes, ReadFile(second));
  std::int32_t readWidth = 0;
  std::int32_t readHeight = 0;
  EXPECT_EQ(ReadPng(bytes, &readWidth, &readHeight), pixels);
  EXPECT_EQ(readWidth, width);
  EXPECT_EQ(readHeight, height);
  std::filesystem::remove(first);
  std::filesystem::remove(second);
}

TEST(PngWriter, FailsOnAnUnwritablePathOrTooFewPixels) {
  const std::vector<std::uint32_t> pixels(4, 0);
  EXPECT_FALSE(WritePng("/nonexistent-folder/frame.png", pixels, 2, 2));
  EXPECT_FALSE(
      WritePng((std::filesystem::temp_directory_path() / "veltane-short.png").string(), pixels, 3, 2));
}

}  // namespace
}  // namespace veltane::render
