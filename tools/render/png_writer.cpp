#include "tools/render/png_writer.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace veltane::render {
namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// One chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
  PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool WritePng(const std::string& path, std::span<const std::uint32_t> pixels, std::int32_t width,
              std::int32_t height) {
  if (width <= 0 || height <= 0 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return false;
  }
  // Each row: filter byte 0 (none), then red, green, blue per pixel.
  const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(width);
  std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * rowBytes;
    row[0] = 0;
    const std::uint32_t* source = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width; ++x) {
      row[1 + 3 * x] = static_cast<std::uint8_t>(source[x] >> 16);
      row[2 + 3 * x] = static_cast<std::uint8_t>(source[x] >> 8);
      row[3 + 3 * x] = static_cast<std::uint8_t>(source[x]);
    }
  }

  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
    return false;
  }
  packed.resize(packedSize);

  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace.

  std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out.get()) == file.size();
  return std::fclose(out.release()) == 0 && written;
}

}  // namespace veltane::render
