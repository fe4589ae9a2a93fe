#include "flame/flame_sources.h"

#include <algorithm>

namespace veltane::flame {
namespace {

constexpr std::uint8_t kMinSourceHeat = 200;
constexpr std::uint8_t kMaxSourceHeat = 250;
constexpr std::uint8_t kFlareHeat = 255;
constexpr std::int32_t kBlockSide = 3;
constexpr std::int32_t kFirstSourceColumn = 17;
constexpr std::int32_t kFirstSourceRow = 1;
// Heats up to this value carry no blue in the lower-right pixel; above it, the excess does.
constexpr std::int32_t kBlueThreshold = 128;
// The block that stamps last, so that its flare wins over every block beneath it.
constexpr std::int32_t kFlareBlock = kSourceCount - 1;

// Positions hold whole numbers; the conversion truncates, as every use of a position does.
constexpr std::int32_t Truncate(double position) { return static_cast<std::int32_t>(position); }

}  // namespace

void StampSource(HeatField& field, std::int32_t x, std::int32_t y, const FlameSource& block) {
  for (std::int32_t dy = 0; dy < kBlockSide; ++dy) {
    for (std::int32_t dx = 0; dx < kBlockSide; ++dx) {
      field.SetCell(x + dx, y + dy, block[kBlockSide * dy + dx], false);
    }
  }
}

void SampleSource(const HeatField& field, std::int32_t x, std::int32_t y, FlameSource& block) {
  for (std::int32_t dy = 0; dy < kBlockSide; ++dy) {
    for (std::int32_t dx = 0; dx < kBlockSide; ++dx) {
      block[kBlockSide * dy + dx] = std::clamp(field.GetCell(x + dx, y + dy), kMinSourceHeat, kMaxSourceHeat);
    }
  }
}

void FlameSources::InitSources(HeatField& field) {
  for (std::int32_t k = 0; k < kSourceCount; ++k) {
    SourceX[k] = kFirstSourceColumn + k % 2;
    SourceY[k] = kFirstSourceRow + k / 2;
  }
  for (std::int32_t v = 0; v < static_cast<std::int32_t>(field.BlueTable.size()); ++v) {
    field.BlueTable[v] = static_cast<std::uint8_t>(v > kBlueThreshold ? v - kBlueThreshold : 0);
  }
}

void FlameSources::StampSources(HeatField& field) const {
  for (std::int32_t k = 0; k < kSourceCount; ++k) {
    StampSource(field, Truncate(SourceX[k]), Truncate(SourceY[k]), SourceBlocks[k]);
  }
}

bool FlameSources::SampleSources(const HeatField& field, bool burnedOut) {
  if (burnedOut) {
    return false;
  }
  const std::array<FlameSource, kSourceCount> before = SourceBlocks;
  for (std::int32_t k = 0; k < kSourceCount; ++k) {
    SampleSource(field, Truncate(SourceX[k]), Truncate(SourceY[k]), SourceBlocks[k]);
  }
  return SourceBlocks != before;
}

void FlameSources::FlareSource(bool burnedOut) {
  if (burnedOut) {
    return;
  }
  SourceBlocks[kFlareBlock][0] = kFlareHeat;
  SourceBlocks[kFlareBlock][1] = kFlareHeat;
}

void FlameSources::ExtinguishSources() {
  for (FlameSource& block : SourceBlocks) {
    block.fill(0);
  }
}

}  // namespace veltane::flame
