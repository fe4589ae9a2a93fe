// The engine's pass held against the plain rule over many random fields and weights.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "flame/flame_sources.h"
#include "flame/flicker.h"
#include "flame/heat_field.h"
#include "tests/flame/reference_update.h"

namespace veltane::flame {
namespace {

// A description of the first way in which the image breaks the picture's rules, or empty.
std::string ImageFault(const std::uint8_t* image, const std::array<std::uint8_t, 256>& blue) {
  for (std::int32_t row = 0; row < kImageHeight; ++row) {
    const std::uint8_t* padding = image + row * kImageStride + 3 * kImageWidth;
    if (padding[0] != 0 || padding[1] != 0) {
      return "padding of row " + std::to_string(row);
    }
  }
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const std::uint8_t* lower = image + CellOffset(x, y);
      const std::uint8_t* upper = lower + kImageStride;
      const std::uint8_t v = lower[0];
      const bool consistent = lower[1] == v && lower[2] == v && lower[3] == blue[v] && lower[4] == v &&
                              lower[5] == v && upper[0] == v && upper[1] == v && upper[2] == v &&
                              upper[3] == 0 && upper[4] == v && upper[5] == v;
      if (!consistent) {
        return "block of cell " + std::to_string(x) + ", " + std::to_string(y);
      }
    }
  }
  return {};
}

class UpdateFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(field.AllocateField());
    FlameSources().InitSources(field);
  }

  // Weights drawn from the range the flicker moves them in, now and then exactly one of its own sets.
  Weights RandomWeights() {
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<int> k(0, 4);
    switch (pick(rng)) {
      case 0: return Weights{};
      case 1: return {HighWeight(1), LowWeight(k(rng)), 1.0};
      case 2: return {LowWeight(k(rng)), HighWeight(3), 1.0};
      default: {
        std::uniform_real_distribution<double> side(0.95, 1.36);
        std::uniform_real_distribution<double> below(1.0, 1.355);
        return {side(rng), side(rng), below(rng)};
      }
    }
  }

  // Heat written into the front image between passes, as the sources do, with plenty of extremes.
  void Scatter(int count) {
    std::uniform_int_distribution<std::int32_t> column(-2, kGridColumns + 1);
    std::uniform_int_distribution<std::int32_t> row(-2, kGridRows + 1);
    std::uniform_int_distribution<int> heat(0, 300);
    for (int i = 0; i < count; ++i) {
      const std::int32_t x = column(rng);
      const std::int32_t y = row(rng);
      const int h = heat(rng);
      field.SetCell(x, y, static_cast<std::uint8_t>(h > 255 ? 255 : h), false);
    }
  }

  void RandomField() {
    std::uniform_int_distribution<int> heat(0, 255);
    for (std::int32_t y = 0; y < kGridRows; ++y) {
      for (std::int32_t x = 0; x < kGridColumns; ++x) {
        field.SetCell(x, y, static_cast<std::uint8_t>(heat(rng)), false);
      }
    }
  }

  void ExpectPassMatchesReference(const char* what) {
    const std::vector<std::uint8_t> expected =
        testing::ReferencePass(field.FrontImage.get(), field.BlueTable, field.FlameWeights);
    field.UpdateField();
    ASSERT_EQ(std::vector<std::uint8_t>(field.FrontImage.get(), field.FrontImage.get() + kImageSize),
              expected)
        << what;
  }

  HeatField field;
  std::mt19937 rng{20260512};
};

// The heats around one cell: left, self, right, below.
using Neighbourhood = std::array<std::uint8_t, 4>;

// Neighbourhoods whose rule result lies within a hair of a whole number, where any change in the order
// or precision of the rounding steps moves the truncated heat. They are rare, so they are searched for.
std::vector<Neighbourhood> KnifeEdgeNeighbourhoods(const Weights& weights, std::size_t wanted) {
  std::vector<Neighbourhood> found;
  for (std::uint64_t i = 1; i <= 3000000 && found.size() < wanted; ++i) {
    // Four scrambled bytes of a counter: cheap, and every neighbourhood is as likely as any other.
    const std::uint64_t bits = i * 0x9E3779B97F4A7C15u;
    const Neighbourhood n{static_cast<std::uint8_t>(bits >> 32), static_cast<std::uint8_t>(bits >> 40),
                          static_cast<std::uint8_t>(bits >> 48), static_cast<std::uint8_t>(bits >> 56)};
    const double sum = testing::ReferenceSum(n[1], n[0], n[2], n[3], weights);
    const double fraction = sum - std::floor(sum);
    if (sum >= 1.0 && sum < 255.0 && (fraction < 1e-9 || fraction > 1.0 - 1e-9)) {
      found.push_back(n);
    }
  }
  return found;
}

TEST_F(UpdateFieldTest, EveryPassMatchesThePlainRuleAndKeepsThePictureWellFormed) {
  for (int pass = 0; pass < 800; ++pass) {
    if (pass % 2 == 0) {
      RandomField();
    } else {
      Scatter(40);
    }
    field.FlameWeights = RandomWeights();
    // The pass must not depend on what the back image held before it; its padding stays as allocated.
    for (std::int32_t row = 0; row < kImageHeight; ++row) {
      std::fill_n(field.BackImage.get() + row * kImageStride, 3 * kImageWidth,
                  static_cast<std::uint8_t>(rng()));
    }
    const std::vector<std::uint8_t> expected =
        testing::ReferencePass(field.FrontImage.get(), field.BlueTable, field.FlameWeights);

    field.UpdateField();

    const std::vector<std::uint8_t> front(field.FrontImage.get(), field.FrontImage.get() + kImageSize);
    const std::vector<std::uint8_t> back(field.BackImage.get(), field.BackImage.get() + kImageSize);
    ASSERT_EQ(front, expected) << "pass " << pass;
    ASSERT_EQ(back, expected) << "pass " << pass;
    ASSERT_EQ(ImageFault(field.FrontImage.get(), field.BlueTable), "") << "pass " << pass;
  }
}

TEST_F(UpdateFieldTest, KnifeEdgeCellsComeOutExactlyAsThePlainRuleRoundsThem) {
  std::vector<Weights> sets{Weights{}};
  for (std::int32_t k = 0; k < 5; ++k) {
    sets.push_back({1.0, LowWeight(k), 1.355});
    sets.push_back({HighWeight(1), LowWeight(k), 1.0});
    sets.push_back({LowWeight(k), HighWeight(3), 1.0});
  }
  // Eleven neighbourhoods fit side by side in a row, each with its lower neighbour in the row beneath;
  // a few dozen per set of weights are plenty to show a rounding step out of place.
  constexpr std::size_t kPerRowPair = 11;
  constexpr std::size_t kPerField = 44;
  std::size_t tested = 0;
  for (const Weights& weights : sets) {
    const std::vector<Neighbourhood> cells = KnifeEdgeNeighbourhoods(weights, kPerField);
    std::fill_n(field.FrontImage.get(), kImageSize, std::uint8_t{0});
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const auto x = static_cast<std::int32_t>(3 * (i % kPerRowPair) + 1);
      const auto y = static_cast<std::int32_t>(2 * (i / kPerRowPair) + 1);
      field.SetCell(x - 1, y, cells[i][0], false);
      field.SetCell(x, y, cells[i][1], false);
      field.SetCell(x + 1, y, cells[i][2], false);
      field.SetCell(x, y - 1, cells[i][3], false);
    }
    field.FlameWeights = weights;
    ExpectPassMatchesReference("knife-edge cells");
    tested += cells.size();
  }
  EXPECT_GT(tested, 400u);
}

TEST_F(UpdateFieldTest, HeavyWeightsSaturateEveryCellAtTheCapWithoutWrapping) {
  RandomField();
  field.FlameWeights = {1.36, 1.36, 1.355};
  for (int pass = 0; pass < 40; ++pass) {
    ExpectPassMatchesReference("heavy weights");
  }
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      ASSERT_EQ(field.GetCell(x, y), 255) << x << ", " << y;
    }
  }
  EXPECT_EQ(ImageFault(field.FrontImage.get(), field.BlueTable), "");
}

}  // namespace
}  // namespace veltane::flame
