#pragma once
// Writes a picture as an 8-bit RGB PNG. The same pixels always give the same bytes.

#include <cstdint>
#include <span>
#include <string>

namespace veltane::render {

// pixels: width x height words 0x00RRGGBB, row 0 at the top. False when the file cannot be written.
bool WritePng(const std::string& path, std::span<const std::uint32_t> pixels, std::int32_t width,
              std::int32_t height);

}  // namespace veltane::render
