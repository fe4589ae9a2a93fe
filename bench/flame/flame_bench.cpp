// The engine's share of a frame, measured on a flame that has burned long enough to fill its field.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "flame/flame_sources.h"
#include "flame/flicker.h"
#include "flame/heat_field.h"
#include "flame/random_sequence.h"

namespace veltane::flame {
namespace {

constexpr int kWarmUpFrames = 600;
// Passes without feeding cool the flame, so the burning field is put back this often.
constexpr int kPassesPerRestore = 32;

std::uint32_t g_benchClock = 0;
std::uint32_t BenchClock() { return g_benchClock; }

struct BurningFlame {
  BurningFlame() {
    field.AllocateField();
    sources.InitSources(field);
    random.Seed(20260512);
    flicker.Start(&BenchClock, random);
    for (int frame = 0; frame < kWarmUpFrames; ++frame) {
      Frame();
      g_benchClock += 16;
      flicker.FlickerStep(&BenchClock, random, field.FlameWeights, 1, false, sources);
    }
  }

  void Frame() {
    sources.StampSources(field);
    field.UpdateField();
    sources.SampleSources(field, false);
  }

  HeatField field;
  FlameSources sources;
  RandomSequence random;
  Flicker flicker;
};

void BM_UpdateField(benchmark::State& state) {
  BurningFlame flame;
  const std::vector<std::uint8_t> burning(flame.field.FrontImage.get(),
                                          flame.field.FrontImage.get() + kImageSize);
  int passes = 0;
  for (auto _ : state) {
    flame.field.UpdateField();
    benchmark::DoNotOptimize(flame.field.FrontImage.get());
    benchmark::ClobberMemory();
    if (++passes == kPassesPerRestore) {
      state.PauseTiming();
      std::copy(burning.begin(), burning.end(), flame.field.FrontImage.get());
      passes = 0;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_UpdateField);

void BM_EngineFrame(benchmark::State& state) {
  BurningFlame flame;
  for (auto _ : state) {
    flame.Frame();
    benchmark::DoNotOptimize(flame.field.FrontImage.get());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_EngineFrame);

}  // namespace
}  // namespace veltane::flame
