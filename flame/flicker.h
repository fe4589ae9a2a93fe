#pragma once
// The flicker: after a random quiet interval, one change to the weights or one flare that holds for about
// a second, then the default weights again and a new interval.

#include <cstdint>

#include "flame/flame_sources.h"
#include "flame/heat_field.h"
#include "flame/random_sequence.h"

namespace veltane::flame {

// One unit in the last place below the double nearest to 1.36; the flicker depends on it.
double HighWeight(std::uint32_t nextStage);
double LowWeight(std::int32_t k);

// Milliseconds from now until the first tick at which more than period milliseconds have passed since start,
// in the tick count's wrapping arithmetic; 0 once that tick has come.
constexpr std::uint64_t MillisecondsUntilPast(std::uint32_t start, std::uint64_t period, std::uint32_t now) {
  const std::uint32_t elapsed = now - start;
  return elapsed > period ? 0 : period - elapsed + 1;
}

class Flicker {
 public:
  using TickCount = std::uint32_t (*)();

  // The start of a run: FlickerStart = tickCount(), Perturbed clear, FlickerInterval = a draw modulo 600.
  void Start(TickCount tickCount, RandomSequence& random);
  // One frame's step. Reads the tick count afresh where it needs a reading.
  void FlickerStep(TickCount tickCount, RandomSequence& random, Weights& weights, std::uint32_t nextStage,
                   bool burnedOut, FlameSources& sources);
  // Milliseconds from now until the first tick at which FlickerStep will act: the change, or the end of the
  // cycle once the change is made. Until then every step does nothing.
  std::uint64_t MillisecondsUntilStep(std::uint32_t now) const;

  friend bool operator==(const Flicker&, const Flicker&) = default;

  std::uint32_t FlickerStart = 0;
  std::uint32_t FlickerInterval = 0;
  std::int32_t Perturbed = 0;
};

}  // namespace veltane::flame
