#include "flame/heat_field.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <new>

namespace veltane::flame {
namespace {

constexpr std::int32_t kLastColumn = kGridColumns - 1;
constexpr std::int32_t kLastRow = kGridRows - 1;

// 0.23 as a literal is the double nearest to it, which is what the rule asks for.
constexpr double kRetention = 0.23;

constexpr std::int32_t ClampColumn(std::int32_t x) { return std::clamp(x, 0, kLastColumn); }
constexpr std::int32_t ClampRow(std::int32_t y) { return std::clamp(y, 0, kLastRow); }

using HeatTable = std::array<double, 256>;

// Every heat as a double.
constexpr HeatTable kHeatValues = [] {
  HeatTable values{};
  for (std::size_t v = 0; v < values.size(); ++v) {
    values[v] = static_cast<double>(v);
  }
  return values;
}();

// Every product of a heat and one weight that a pass can form, each rounded as the rule rounds it, so
// that looking a product up gives the very double that multiplying in place would.
void FillProducts(HeatTable& table, double weight) {
  for (std::size_t v = 0; v < table.size(); ++v) {
    table[v] = kHeatValues[v] * weight;
  }
}

// Far above any weight the flicker sets, low enough that no sum can leave the range of a 32-bit integer.
constexpr double kMaxWeight = 1000.0;

// The weight a pass uses: the flame's own, except that a negative or undefined one counts as 0 and an
// absurdly large one as kMaxWeight, so that truncating a sum is always a defined conversion.
double UsableWeight(double weight) { return weight >= 0.0 ? std::min(weight, kMaxWeight) : 0.0; }

// Truncation toward zero, then the cap; the sum is never negative.
inline std::uint8_t HeatFromSum(double t) {
  return static_cast<std::uint8_t>(std::min(static_cast<std::int32_t>(t), std::int32_t{255}));
}

// The two pixel rows of one cell's block: v, v, v, blue, v, v below and v, v, v, 0, v, v above.
inline void WriteBlock(std::uint8_t* block, std::uint8_t v, std::uint8_t blue) {
  const std::array<std::uint8_t, 6> lower{v, v, v, blue, v, v};
  const std::array<std::uint8_t, 6> upper{v, v, v, 0, v, v};
  std::memcpy(block, lower.data(), lower.size());
  std::memcpy(block + kImageStride, upper.data(), upper.size());
}

// The same two rows, each written as one eight-byte store that puts back the two bytes after the block as
// they were: the next cell's first two, or the row's padding. Returns the bits in which the block's six bytes
// of either row differ from what they held before.
inline std::uint64_t WriteBlockInRow(std::uint8_t* block, std::uint8_t v, std::uint8_t blue) {
  static_assert(std::endian::native == std::endian::little, "the block words are laid out little-endian");
  static_assert(CellOffset(kGridColumns - 1, 0) + 8 <= kImageStride,
                "the last cell's store stays in its row");
  constexpr std::uint64_t kBlockBytes = 0x0000'FFFF'FFFF'FFFF;
  const std::uint64_t upper = v * std::uint64_t{0x0000'0101'0001'0101};
  const std::uint64_t lower = upper | std::uint64_t{blue} << 24;
  std::uint64_t oldLower;
  std::uint64_t oldUpper;
  std::memcpy(&oldLower, block, sizeof oldLower);
  std::memcpy(&oldUpper, block + kImageStride, sizeof oldUpper);
  const std::uint64_t newLower = (oldLower & ~kBlockBytes) | lower;
  const std::uint64_t newUpper = (oldUpper & ~kBlockBytes) | upper;
  std::memcpy(block, &newLower, sizeof newLower);
  std::memcpy(block + kImageStride, &newUpper, sizeof newUpper);
  return (oldLower ^ newLower) | (oldUpper ^ newUpper);
}

}  // namespace

std::unique_ptr<std::uint8_t[]> HeatField::NewBuffer(std::size_t bytes) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]());
}

bool HeatField::AllocateField() {
  FrontImage.reset();
  BackImage.reset();
  ImageStride = kImageStride;
  ImageSize = kImageSize;
  FrontImage = m_bufferSource(kImageSize);
  BackImage = m_bufferSource(kImageSize);
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

bool HeatField::UpdateField() {
  assert(FrontImage && BackImage);
  assert(FlameWeights.left >= 0.0 && FlameWeights.right >= 0.0 && FlameWeights.below >= 0.0);
  const std::uint8_t* const front = FrontImage.get();
  std::uint8_t* const back = BackImage.get();
  const std::uint8_t* const blue = BlueTable.data();
  HeatTable leftTable;
  HeatTable rightTable;
  HeatTable belowTable;
  FillProducts(leftTable, UsableWeight(FlameWeights.left));
  FillProducts(rightTable, UsableWeight(FlameWeights.right));
  FillProducts(belowTable, UsableWeight(FlameWeights.below));
  const double* const leftProduct = leftTable.data();
  const double* const rightProduct = rightTable.data();
  const double* const belowProduct = belowTable.data();
  const double* const selfValue = kHeatValues.data();

  // This pass runs once per frame over all 1750 cells, so it is written for the compiler: the weighted
  // heats come from tables filled above rather than from a conversion and a multiplication per
  // neighbour, the three heats of a row travel in locals that slide one column per cell (each cell
  // reads only its lower neighbour and the next right one), the clamped edges are the row's first and
  // last reads rather than a test per neighbour, and nothing in the body branches on a heat. The sum is
  // built in the fixed order of the rule because each rounding step shows in the picture. BackImage still
  // holds the previous pass's picture, so each store also tells whether this one differs from it.
  std::uint64_t changed = 0;
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    const std::uint8_t* const row = front + CellOffset(0, y);
    const std::uint8_t* const rowBelow = front + CellOffset(0, y > 0 ? y - 1 : 0);
    std::uint8_t* const out = back + CellOffset(0, y);
    std::uint8_t l = row[0];
    std::uint8_t s = row[0];
    std::uint8_t r = row[CellOffset(1, 0)];
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const std::int32_t cell = CellOffset(x, 0);
      double t = rightProduct[r] + leftProduct[l];
      t += belowProduct[rowBelow[cell]];
      t += selfValue[s];
      t *= kRetention;
      const std::uint8_t v = HeatFromSum(t);
      changed |= WriteBlockInRow(out + cell, v, blue[v]);
      l = s;
      s = r;
      r = x + 2 <= kLastColumn ? row[CellOffset(x + 2, 0)] : s;
    }
  }
  std::memcpy(FrontImage.get(), BackImage.get(), static_cast<std::size_t>(kImageSize));
  return changed != 0;
}

}  // namespace veltane::flame
