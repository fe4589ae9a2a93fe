#include "tools/render/png_writer.h"

#include <png.h>

#include <vector>

namespace veltane::render {

// libpng's simplified interface writes the whole picture in one call and reports a failure by its result,
// so no error jump crosses this function's objects.
bool WritePng(const std::string& path, std::span<const std::uint32_t> pixels, std::int32_t width,
              std::int32_t height) {
  if (width <= 0 || height <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return false;
  }
  std::vector<std::uint8_t> rgb;
  rgb.reserve(3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
    rgb.push_back(static_cast<std::uint8_t>(pixels[i] >> 16));
    rgb.push_back(static_cast<std::uint8_t>(pixels[i] >> 8));
    rgb.push_back(static_cast<std::uint8_t>(pixels[i]));
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  const bool written = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return written;
}

}  // namespace veltane::render
