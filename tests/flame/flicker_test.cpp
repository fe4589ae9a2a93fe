#include "flame/flicker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <utility>
#include <vector>

namespace veltane::flame {

void PrintTo(const Weights& weights, std::ostream* os) {
  *os << std::hexfloat << "{" << weights.left << ", " << weights.right << ", " << weights.below << "}";
}

namespace {

const double kHigh = std::bit_cast<double>(std::uint64_t{0x3FF5C28F5C28F5C2});

// The clock the flicker reads in these tests: each reading takes the next value of the script, and the
// last value repeats once the script is used up, so a test also sees how many readings a step took.
std::vector<std::uint32_t> g_clockScript{0};
std::size_t g_clockReads = 0;

std::uint32_t ScriptedClock() {
  const std::size_t index = std::min(g_clockReads, g_clockScript.size() - 1);
  ++g_clockReads;
  return g_clockScript[index];
}

void SetClock(std::vector<std::uint32_t> readings) {
  g_clockScript = std::move(readings);
  g_clockReads = 0;
}

// How many draws lead from `before` to `after`, or -1 if it is not a handful.
int DrawsBetween(RandomSequence before, const RandomSequence& after) {
  for (int draws = 0; draws <= 4; ++draws) {
    if (before.State() == after.State()) {
      return draws;
    }
    before.Draw();
  }
  return -1;
}

// The first seed whose next two draws give the change's k and r, found rather than written down so
// that each case says which draws it needs.
std::uint32_t SeedFor(std::int32_t k, std::int32_t r) {
  for (std::uint32_t seed = 1;; ++seed) {
    RandomSequence random;
    random.Seed(seed);
    if (random.DrawModulo(5) == k && random.DrawModulo(10) == r) {
      return seed;
    }
  }
}

class FlickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (FlameSource& block : sources.SourceBlocks) {
      block.fill(220);
    }
  }

  void BeginCycle(std::uint32_t start, std::uint32_t interval) {
    flicker.FlickerStart = start;
    flicker.FlickerInterval = interval;
    flicker.Perturbed = 0;
  }

  // One step; returns how many draws it took.
  int Step(std::uint32_t nextStage = 1, bool burnedOut = false) {
    const RandomSequence before = random;
    flicker.FlickerStep(&ScriptedClock, random, weights, nextStage, burnedOut, sources);
    return DrawsBetween(before, random);
  }

  Flicker flicker;
  RandomSequence random;
  Weights weights;
  FlameSources sources;
};

TEST(FlickerWeights, HighWeightIsOneUlpBelow1Point36ForTheFirstTwoStages) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(HighWeight(2)), 0x3FF5C28F5C28F5C2u);
  EXPECT_EQ(HighWeight(2), std::nextafter(1.36, 0.0));
  EXPECT_EQ(HighWeight(0), kHigh);
  EXPECT_EQ(HighWeight(1), kHigh);
  EXPECT_EQ(HighWeight(3), 1.355);
  EXPECT_EQ(HighWeight(7), 1.355);
}

TEST(FlickerWeights, LowWeightIsTheNearestDoubleToEachHundredth) {
  const double expected[] = {0.95, 0.96, 0.97, 0.98, 0.99};
  for (std::int32_t k = 0; k < 5; ++k) {
    EXPECT_EQ(LowWeight(k), expected[k]) << k;
  }
}

TEST_F(FlickerTest, StartReadsTheClockOnceAndDrawsTheQuietInterval) {
  flicker.Perturbed = 1;
  random.Seed(1);
  SetClock({5000});
  flicker.Start(&ScriptedClock, random);
  EXPECT_EQ(flicker.FlickerStart, 5000u);
  EXPECT_EQ(flicker.FlickerInterval, 41u);
  EXPECT_EQ(flicker.Perturbed, 0);
  EXPECT_EQ(g_clockReads, 1u);
}

TEST_F(FlickerTest, StaysQuietWhileElapsedIsAtMostTheInterval) {
  BeginCycle(1000, 300);
  for (std::uint32_t elapsed : {0u, 1u, 299u, 300u}) {
    SetClock({1000 + elapsed, 1000 + 5000});
    EXPECT_EQ(Step(), 0) << elapsed;
    EXPECT_EQ(g_clockReads, 1u) << elapsed;
    EXPECT_EQ(flicker.Perturbed, 0);
    EXPECT_EQ(flicker.FlickerStart, 1000u);
    EXPECT_EQ(weights, Weights{});
  }
}

TEST_F(FlickerTest, ChangesOnceWhenElapsedFirstPassesTheIntervalAndHoldsTheChange) {
  for (std::uint32_t elapsed : {301u, 800u, 1300u}) {
    weights = Weights{};
    BeginCycle(1000, 300);
    random.Seed(SeedFor(1, 5));
    SetClock({1000 + elapsed, 1000 + elapsed});
    EXPECT_EQ(Step(), 2) << elapsed;
    EXPECT_EQ(g_clockReads, 2u);
    EXPECT_EQ(flicker.Perturbed, 1);
    EXPECT_EQ(flicker.FlickerStart, 1000u);
    EXPECT_EQ(weights, (Weights{1.0, 0.96, 1.355}));

    for (std::uint32_t later : {elapsed, 1300u}) {
      SetClock({1000 + later, 1000 + later});
      EXPECT_EQ(Step(), 0) << later;
      EXPECT_EQ(flicker.Perturbed, 1);
      EXPECT_EQ(weights, (Weights{1.0, 0.96, 1.355}));
    }
  }
}

TEST_F(FlickerTest, CycleEndsPastIntervalPlus1000WithDefaultsAndANewInterval) {
  BeginCycle(1000, 300);
  random.Seed(SeedFor(4, 3));
  SetClock({1301, 1301});
  Step(3);
  ASSERT_EQ(weights, (Weights{0.99, 1.355, 1.0}));

  RandomSequence expected = random;
  const auto interval = static_cast<std::uint32_t>(expected.DrawModulo(600));
  SetClock({2301, 2301, 2307});
  EXPECT_EQ(Step(3), 1);
  EXPECT_EQ(g_clockReads, 3u);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(weights.left), std::bit_cast<std::uint64_t>(1.0));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(weights.right), std::bit_cast<std::uint64_t>(1.0));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(weights.below), std::bit_cast<std::uint64_t>(1.355));
  EXPECT_EQ(flicker.FlickerStart, 2307u);
  EXPECT_EQ(flicker.FlickerInterval, interval);
  EXPECT_EQ(flicker.Perturbed, 0);
}

TEST_F(FlickerTest, SecondTestTakesAFreshReading) {
  BeginCycle(1000, 300);
  random.Seed(SeedFor(2, 7));
  SetClock({1301, 2301, 2400});
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(flicker.Perturbed, 0);
  EXPECT_EQ(flicker.FlickerStart, 2400u);
  EXPECT_EQ(weights, Weights{});
}

TEST_F(FlickerTest, LateFirstFrameEndsTheCycleWithoutAChange) {
  for (std::int32_t r = 0; r < 10; ++r) {
    BeginCycle(1000, 300);
    random.Seed(SeedFor(0, r));
    const auto blocks = sources.SourceBlocks;
    SetClock({1000 + 1301, 1000 + 1301, 1000 + 1302});
    EXPECT_EQ(Step(), 1) << r;
    EXPECT_EQ(flicker.Perturbed, 0);
    EXPECT_EQ(flicker.FlickerStart, 2302u);
    EXPECT_EQ(weights, Weights{});
    EXPECT_EQ(sources.SourceBlocks, blocks);
  }
}

TEST_F(FlickerTest, ZeroIntervalChangesAtTheFirstMillisecond) {
  BeginCycle(700, 0);
  random.Seed(SeedFor(3, 8));
  SetClock({700});
  EXPECT_EQ(Step(), 0);
  SetClock({701, 701});
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(weights, (Weights{1.0, 0.98, 1.355}));
}

TEST_F(FlickerTest, EachDrawnChangeSetsItsWeightsOrFlares) {
  struct Case {
    std::int32_t k;
    std::int32_t r;
    std::uint32_t nextStage;
    bool burnedOut;
    Weights expected;
    bool flare;
  };
  const Case cases[] = {
      {0, 1, 1, false, {kHigh, 0.95, 1.0}, false}, {0, 2, 1, false, {kHigh, 0.95, 1.0}, false},
      {2, 1, 0, false, {kHigh, 0.97, 1.0}, false}, {2, 2, 2, false, {kHigh, 0.97, 1.0}, false},
      {3, 1, 3, false, {1.355, 0.98, 1.0}, false}, {4, 3, 3, false, {0.99, 1.355, 1.0}, false},
      {1, 3, 2, false, {0.96, kHigh, 1.0}, false}, {0, 3, 7, true, {0.95, 1.355, 1.0}, false},
      {2, 7, 1, false, {1.0, 0.97, 1.355}, false}, {3, 4, 6, false, {1.0, 0.98, 1.355}, false},
      {4, 9, 2, true, {1.0, 0.99, 1.355}, false},  {0, 6, 3, false, {1.0, 0.95, 1.355}, false},
      {0, 0, 1, false, Weights{}, true},           {3, 0, 4, false, Weights{}, true},
      {3, 0, 7, true, Weights{}, false},
  };
  for (const Case& c : cases) {
    SetUp();
    weights = Weights{};
    BeginCycle(0, 100);
    random.Seed(SeedFor(c.k, c.r));
    auto expectedBlocks = sources.SourceBlocks;
    if (c.flare) {
      expectedBlocks[9][0] = 255;
      expectedBlocks[9][1] = 255;
    }
    SetClock({101, 101});
    EXPECT_EQ(Step(c.nextStage, c.burnedOut), 2) << "k " << c.k << " r " << c.r;
    EXPECT_EQ(weights, c.expected) << "k " << c.k << " r " << c.r << " stage " << c.nextStage;
    EXPECT_EQ(sources.SourceBlocks, expectedBlocks) << "k " << c.k << " r " << c.r;
    EXPECT_EQ(flicker.Perturbed, 1) << "k " << c.k << " r " << c.r;
  }
}

TEST_F(FlickerTest, ElapsedTimeSurvivesTheTickCountWrap) {
  const std::uint32_t start = 0xFFFFFE00;  // 512 ms before the wrap.
  BeginCycle(start, 100);
  random.Seed(SeedFor(1, 4));
  SetClock({start + 100});
  EXPECT_EQ(Step(), 0);
  SetClock({0x10, 0x10});  // 528 ms elapsed.
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(weights, (Weights{1.0, 0.96, 1.355}));
  SetClock({0x24C, 0x24C});  // 1100 ms elapsed: the change still holds.
  EXPECT_EQ(Step(), 0);
  EXPECT_EQ(flicker.Perturbed, 1);
  SetClock({0x24D, 0x24D, 0x24D});  // 1101 ms elapsed.
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(weights, Weights{});
  EXPECT_EQ(flicker.FlickerStart, 0x24Du);
}

// Many cycles at an uneven frame rate, with the clock crossing the wrap: the weights leave their
// defaults only through a change, a cycle makes at most one, and every cycle end restores them exactly.
TEST_F(FlickerTest, ManyCyclesKeepTheirRules) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::uint32_t> gap(0, 60);
  std::uint32_t now = 0xFFF00000;
  random.Seed(12345);
  SetClock({now});
  flicker.Start(&ScriptedClock, random);
  int changes = 0;
  int cycles = 0;
  for (int frame = 0; frame < 200000; ++frame) {
    now += frame % 997 == 0 ? 1700 : gap(rng);
    SetClock({now});
    const std::uint32_t startBefore = flicker.FlickerStart;
    const std::int32_t perturbedBefore = flicker.Perturbed;
    const int draws = Step(1 + static_cast<std::uint32_t>(frame / 20000), frame % 50000 > 45000);
    if (flicker.FlickerStart != startBefore) {
      ++cycles;
      ASSERT_EQ(draws, 1);
      ASSERT_EQ(flicker.FlickerStart, now);
      ASSERT_LT(flicker.FlickerInterval, 600u);
      ASSERT_EQ(weights, Weights{});
    } else if (flicker.Perturbed != perturbedBefore) {
      ++changes;
      ASSERT_EQ(draws, 2);
      ASSERT_EQ(perturbedBefore, 0);
    } else {
      ASSERT_EQ(draws, 0);
    }
    if (flicker.Perturbed == 0) {
      ASSERT_EQ(weights, Weights{});
    }
  }
  EXPECT_GT(cycles, 1000);
  EXPECT_GT(changes, cycles / 2);
}

}  // namespace
}  // namespace veltane::flame
