#include "tools/stage-art/rle8_bitmap.h"

#include <algorithm>
#include <cassert>
#include <span>

namespace veltane::stageart {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr int kMaxRun = 255;
// A literal stretch pays for its escape only from three pixels on; shorter ones go as runs.
constexpr int kShortestLiteral = 3;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

int RunAt(std::span<const std::uint8_t> row, int start) {
  int end = start + 1;
  while (end < static_cast<int>(row.size()) && end - start < kMaxRun && row[end] == row[start]) ++end;
  return end - start;
}

void EncodeRow(std::span<const std::uint8_t> row, std::vector<std::uint8_t>& out) {
  const int width = static_cast<int>(row.size());
  int x = 0;
  while (x < width) {
    const int run = RunAt(row, x);
    if (run >= kShortestLiteral) {
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(row[x]);
      x += run;
      continue;
    }
    int end = x;
    while (end < width && end - x < kMaxRun) {
      const int next = RunAt(row, end);
      if (next >= kShortestLiteral) break;
      end += std::min(next, kMaxRun - (end - x));
    }
    const int count = end - x;
    if (count >= kShortestLiteral) {
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(count));
      out.insert(out.end(), row.begin() + x, row.begin() + end);
      if (count % 2 != 0) out.push_back(0);
    } else {
      for (int i = x; i < end;) {
        const int same = (i + 1 < end && row[i + 1] == row[i]) ? 2 : 1;
        out.push_back(static_cast<std::uint8_t>(same));
        out.push_back(row[i]);
        i += same;
      }
    }
    x = end;
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeRle8Bitmap(const std::vector<std::uint8_t>& indices, int width, int height,
                                           const Palette& palette) {
  assert(indices.size() == static_cast<std::size_t>(width * height));
  std::vector<std::uint8_t> bits;
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int imageRow = height - 1 - fileRow;
    EncodeRow(std::span(indices).subspan(static_cast<std::size_t>(imageRow * width),
                                         static_cast<std::size_t>(width)),
              bits);
    bits.push_back(0);
    bits.push_back(fileRow + 1 == height ? 1 : 0);
  }
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + palette.size() * 4;
  std::vector<std::uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  Put32(file, static_cast<std::uint32_t>(offset + bits.size()));
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(offset));
  Put32(file, kInfoHeaderSize);
  Put32(file, static_cast<std::uint32_t>(width));
  Put32(file, static_cast<std::uint32_t>(height));
  Put16(file, 1);
  Put16(file, 8);
  Put32(file, platform::BI_RLE8);
  Put32(file, static_cast<std::uint32_t>(bits.size()));
  Put32(file, 2835);  // 72 dots per inch.
  Put32(file, 2835);
  Put32(file, 0);  // Colour count 0: the table has all 256 entries.
  Put32(file, 0);
  for (const platform::RgbQuad& q : palette) {
    file.push_back(q.blue);
    file.push_back(q.green);
    file.push_back(q.red);
    file.push_back(0);
  }
  file.insert(file.end(), bits.begin(), bits.end());
  return file;
}

}  // namespace veltane::stageart
