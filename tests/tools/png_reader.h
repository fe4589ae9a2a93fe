#pragma once
// Reads back the PNG files that veltane-render writes (one IDAT, no filters), for the tests.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace veltane::render {

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t BigEndian(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Decodes the PNG that WritePng makes (one IDAT, filter 0 on every row) back into 0x00RRGGBB words,
// checking every chunk's CRC on the way.
inline std::vector<std::uint32_t> ReadPng(const std::vector<std::uint8_t>& file, std::int32_t* width,
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

}  // namespace veltane::render
