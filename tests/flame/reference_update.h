#pragma once
// The update rule written the plain way, for the tests to hold the engine's pass against: every
// neighbour read afresh through clamped coordinates, one cell at a time, into an image of its own.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "flame/heat_field.h"

namespace veltane::flame::testing {

inline std::uint8_t ReferenceHeat(const std::uint8_t* image, std::int32_t x, std::int32_t y) {
  return image[CellOffset(std::clamp(x, 0, kGridColumns - 1), std::clamp(y, 0, kGridRows - 1))];
}

// The rule's sum for one cell, rounded after every operation in the rule's order, before truncation.
inline double ReferenceSum(double s, double l, double r, double b, const Weights& weights) {
  double t = r * weights.right;
  t = t + l * weights.left;
  t = t + b * weights.below;
  t = t + s;
  return t * 0.23;
}

inline std::uint8_t ReferenceResult(double sum) {
  const long truncated = static_cast<long>(sum);
  return static_cast<std::uint8_t>(truncated >= 255 ? 255 : truncated);
}

// The image that one pass over `front` composes; padding stays zero.
inline std::vector<std::uint8_t> ReferencePass(const std::uint8_t* front,
                                               const std::array<std::uint8_t, 256>& blue,
                                               const Weights& weights) {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(kImageSize), 0);
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const std::uint8_t v = ReferenceResult(
          ReferenceSum(ReferenceHeat(front, x, y), ReferenceHeat(front, x - 1, y),
                       ReferenceHeat(front, x + 1, y), ReferenceHeat(front, x, y - 1), weights));
      const std::array<std::uint8_t, 6> lower{v, v, v, blue[v], v, v};
      const std::array<std::uint8_t, 6> upper{v, v, v, 0, v, v};
      std::copy(lower.begin(), lower.end(), image.begin() + CellOffset(x, y));
      std::copy(upper.begin(), upper.end(), image.begin() + CellOffset(x, y) + kImageStride);
    }
  }
  return image;
}

}  // namespace veltane::flame::testing
