#include "tools/render/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace veltane::render {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t BigEndian(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Decodes the PNG that WritePng makes (one IDAT, filter 0 on every row) back into 0x00RRGGBB words,
// checking every chunk's CRC on the way.
std::vector<std::uint32_t> DecodeOwnPng(const std::vector<std::uint8_t>& file, std::int32_t* width,
                                        std::int32_t* height) {
  std::vector<std::uint8_t> packed;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = BigEndian(&file[at]);
    const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
    const std::uint8_t* data = &file[at + 8];
    EXPECT_EQ(crc32(0L, &file[at + 4], 4 + length), BigEndian(data + length)) << type;
    if (type == "IHDR") {
      *width = static_cast<std::int32_t>(BigEndian(data));
      *height = static_cast<std::int32_t>(BigEndian(data + 4));
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    }
    at += 12 + length;
  }
  const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(*width);
  std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(*height));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  EXPECT_EQ(uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  std::vector<std::uint32_t> pixels;
  for (std::int32_t y = 0; y < *height; ++y) {
    const std::uint8_t* row = &raw[static_cast<std::size_t>(y) * rowBytes];
    EXPECT_EQ(row[0], 0);
    for (std::int32_t x = 0; x < *width; ++x) {
      pixels.push_back((std::uint32_t{row[1 + 3 * x]} << 16) | (std::uint32_t{row[2 + 3 * x]} << 8) |
                       row[3 + 3 * x]);
    }
  }
  return pixels;
}

TEST(PngWriter, PixelsSurviveTheRoundTripAndTheBytesRepeat) {
  const std::int32_t width = 7;
  const std::int32_t height = 3;
  std::vector<std::uint32_t> pixels;
  for (std::int32_t i = 0; i < width * height; ++i) pixels.push_back(0x010203u * static_cast<std::uint32_t>(i) ^ 0xA05000u);
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
  EXPECT_EQ(DecodeOwnPng(bytes, &readWidth, &readHeight), pixels);
  EXPECT_EQ(readWidth, width);
  EXPECT_EQ(readHeight, height);
  std::filesystem::remove(first);
  std::filesystem::remove(second);
}

TEST(PngWriter, FailsOnAnUnwritablePathOrTooFewPixels) {
  const std::vector<std::uint32_t> pixels(4, 0);
  EXPECT_FALSE(WritePng("/nonexistent-folder/frame.png", pixels, 2, 2));
  EXPECT_FALSE(WritePng((std::filesystem::temp_directory_path() / "veltane-short.png").string(), pixels, 3, 2));
}

}  // namespace
}  // namespace veltane::render
