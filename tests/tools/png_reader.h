#pragma once
// Reads back the PNG files that veltane-render writes, through libpng, for the tests.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace veltane::render {

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Decodes a PNG file's bytes into 0x00RRGGBB words, row 0 at the top; empty, with a test failure, when
// libpng cannot read them.
inline std::vector<std::uint32_t> ReadPng(const std::vector<std::uint8_t>& file, std::int32_t* width,
                                          std::int32_t* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
    ADD_FAILURE() << image.message;
    return {};
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << image.message;
    return {};
  }
  *width = static_cast<std::int32_t>(image.width);
  *height = static_cast<std::int32_t>(image.height);
  std::vector<std::uint32_t> pixels;
  for (std::size_t at = 0; at + 2 < rgb.size(); at += 3) {
    pixels.push_back((std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2]);
  }
  return pixels;
}

}  // namespace veltane::render
