#include "flame/flicker.h"

#include <bit>

namespace veltane::flame {
namespace {

// The quiet interval of a cycle is a draw modulo this many milliseconds.
constexpr std::int32_t kIntervalChoices = 600;
// How long a change holds once the quiet interval is over.
constexpr std::uint32_t kChangeHoldMs = 1000;
constexpr std::int32_t kLowWeightChoices = 5;
constexpr std::int32_t kChangeChoices = 10;
constexpr std::uint64_t kHighWeightBits = 0x3FF5C28F5C28F5C2;
// The last stage count for which the flame leans harder; later stages keep the default below weight.
constexpr std::uint32_t kLastStrongStage = 2;
constexpr double kLowWeightBase = 0.95;
constexpr double kLowWeightStep = 0.01;
constexpr double kNeutralWeight = 1.0;

}  // namespace

double HighWeight(std::uint32_t nextStage) {
  return nextStage <= kLastStrongStage ? std::bit_cast<double>(kHighWeightBits) : Weights{}.below;
}

double LowWeight(std::int32_t k) { return kLowWeightBase + kLowWeightStep * static_cast<double>(k); }

void Flicker::Start(TickCount tickCount, RandomSequence& random) {
  FlickerStart = tickCount();
  Perturbed = 0;
  FlickerInterval = static_cast<std::uint32_t>(random.DrawModulo(kIntervalChoices));
}

std::uint64_t Flicker::MillisecondsUntilStep(std::uint32_t now) const {
  const std::uint64_t quiet = FlickerInterval + (Perturbed != 0 ? std::uint64_t{kChangeHoldMs} : 0);
  return MillisecondsUntilPast(FlickerStart, quiet, now);
}

void Flicker::FlickerStep(TickCount tickCount, RandomSequence& random, Weights& weights,
                          std::uint32_t nextStage, bool burnedOut, FlameSources& sources) {
  if (tickCount() - FlickerStart <= FlickerInterval) {
    return;
  }
  // A frame that arrives after the change should already have ended skips the change, so a slow frame
  // rate never leaves a change in force for longer than a cycle. The sum is widened so that no interval
  // can wrap it.
  const std::uint32_t elapsed = tickCount() - FlickerStart;
  if (elapsed > std::uint64_t{FlickerInterval} + kChangeHoldMs) {
    weights = Weights{};
    FlickerStart = tickCount();
    Perturbed = 0;
    FlickerInterval = static_cast<std::uint32_t>(random.DrawModulo(kIntervalChoices));
    return;
  }
  if (Perturbed != 0) {
    return;
  }
  const double low = LowWeight(random.DrawModulo(kLowWeightChoices));
  const double high = HighWeight(nextStage);
  switch (random.DrawModulo(kChangeChoices)) {
    case 0: sources.FlareSource(burnedOut); break;
    case 1:
    case 2:
      weights.left = high;
      weights.right = low;
      weights.below = kNeutralWeight;
      break;
    case 3:
      weights.left = low;
      weights.right = high;
      weights.below = kNeutralWeight;
      break;
    default:
      weights.left = kNeutralWeight;
      weights.right = low;
      weights.below = Weights{}.below;
      break;
  }
  // Set even when the flare did nothing, so that a cycle never makes a second change.
  Perturbed = 1;
}

}  // namespace veltane::flame
