#pragma once
// The ten 3 x 3 blocks of heat that feed the flame from the wick.

#include <array>
#include <cstdint>

#include "flame/heat_field.h"

namespace veltane::flame {

// Byte 3 * dy + dx is the heat of cell (x + dx, y + dy): rows from the bottom up, each left to right.
using FlameSource = std::array<std::uint8_t, 9>;
constexpr int kSourceCount = 10;

void StampSource(HeatField& field, std::int32_t x, std::int32_t y, const FlameSource& block);
void SampleSource(const HeatField& field, std::int32_t x, std::int32_t y, FlameSource& block);

// The sources of one run.
struct FlameSources {
  std::array<FlameSource, kSourceCount> SourceBlocks{};  // 90 bytes, block k at 9k.
  std::array<double, kSourceCount> SourceX{};
  std::array<double, kSourceCount> SourceY{};

  // Positions 17 + (k mod 2), 1 + (k div 2); also fills the field's BlueTable.
  void InitSources(HeatField& field);
  void StampSources(HeatField& field) const;
  // Refills the blocks from the field unless burned out; says whether that changed any of them.
  bool SampleSources(const HeatField& field, bool burnedOut);
  void FlareSource(bool burnedOut);
  void ExtinguishSources();
};

}  // namespace veltane::flame
