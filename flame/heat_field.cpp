#include "flame/heat_field.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

namespace veltane::flame {
namespace {

bool g_failAllocations = false;

constexpr std::int32_t kLastColumn = kGridColumns - 1;
constexpr std::int32_t kLastRow = kGridRows - 1;
constexpr std::uint8_t kMaxHeat = 255;

// 0.23 as a literal is the double nearest to it, which is what the rule asks for.
constexpr double kRetention = 0.23;

constexpr std::int32_t ClampColumn(std::int32_t x) { return std::clamp(x, 0, kLastColumn); }
constexpr std::int32_t ClampRow(std::int32_t y) { return std::clamp(y, 0, kLastRow); }

// Truncation toward zero with the cap; a sum that is not a number or below zero (impossible with
// non-negative weights) reads as cold rather than reaching an undefined conversion.
inline std::uint8_t HeatFromSum(double t) {
  if (t >= 255.0) {
    return kMaxHeat;
  }
  return t > 0.0 ? static_cast<std::uint8_t>(t) : std::uint8_t{0};
}

// The two pixel rows of one cell's block: v, v, v, blue, v, v below and v, v, v, 0, v, v above.
inline void WriteBlock(std::uint8_t* block, std::uint8_t v, std::uint8_t blue) {
  block[0] = v;
  block[1] = v;
  block[2] = v;
  block[3] = blue;
  block[4] = v;
  block[5] = v;
  std::uint8_t* upper = block + kImageStride;
  upper[0] = v;
  upper[1] = v;
  upper[2] = v;
  upper[3] = 0;
  upper[4] = v;
  upper[5] = v;
}

}  // namespace

void HeatField::FailAllocationsForTesting(bool fail) { g_failAllocations = fail; }

bool HeatField::AllocateField() {
  FrontImage.reset();
  BackImage.reset();
  ImageStride = kImageStride;
  ImageSize = kImageSize;
  if (g_failAllocations) {
    return false;
  }
  FrontImage.reset(new (std::nothrow) std::uint8_t[kImageSize]());
  BackImage.reset(new (std::nothrow) std::uint8_t[kImageSize]());
  if (!FrontImage || !BackImage) {
    FrontImage.reset();
    BackImage.reset();
    return false;
  }
  return true;
}

std::uint8_t HeatField::GetCell(std::int32_t x, std::int32_t y) const {
  assert(FrontImage);
  return FrontImage[CellOffset(ClampColumn(x), ClampRow(y))];
}

void HeatField::SetCell(std::int32_t x, std::int32_t y, std::uint8_t v, bool coloured) {
  const std::int32_t offset = CellOffset(ClampColumn(x), ClampRow(y));
  if (!coloured) {
    assert(FrontImage);
    FrontImage[offset] = v;
    return;
  }
  assert(BackImage);
  WriteBlock(BackImage.get() + offset, v, BlueTable[v]);
}

void HeatField::UpdateField() {
  assert(FrontImage && BackImage);
  assert(FlameWeights.left >= 0.0 && FlameWeights.right >= 0.0 && FlameWeights.below >= 0.0);
  const std::uint8_t* const front = FrontImage.get();
  std::uint8_t* const back = BackImage.get();
  const std::uint8_t* const blue = BlueTable.data();
  const double left = FlameWeights.left;
  const double right = FlameWeights.right;
  const double below = FlameWeights.below;

  // This pass runs once per frame over all 1750 cells, so it is written for the compiler: every read is
  // a byte of the front image through a local pointer, the three heats of a row travel in locals that
  // slide one column per cell (each cell reads only its lower neighbour and the next right one), and
  // the clamped edges are the row's first and last reads rather than a test per neighbour. The sum is
  // built in the fixed order of the rule because each rounding step shows in the picture.
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    const std::uint8_t* const row = front + CellOffset(0, y);
    const std::uint8_t* const rowBelow = front + CellOffset(0, y > 0 ? y - 1 : 0);
    std::uint8_t* const out = back + CellOffset(0, y);
    double l = row[0];
    double s = row[0];
    double r = row[CellOffset(1, 0)];
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const std::int32_t cell = CellOffset(x, 0);
      double t = r * right + l * left;
      t += static_cast<double>(rowBelow[cell]) * below;
      t += s;
      t *= kRetention;
      const std::uint8_t v = HeatFromSum(t);
      WriteBlock(out + cell, v, blue[v]);
      l = s;
      s = r;
      r = x + 2 <= kLastColumn ? row[CellOffset(x + 2, 0)] : s;
    }
  }
  std::memcpy(FrontImage.get(), BackImage.get(), static_cast<std::size_t>(kImageSize));
}

}  // namespace veltane::flame
