#include "flame/heat_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "flame/flame_sources.h"

namespace veltane::flame {
namespace {

class HeatFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(field.AllocateField());
    FlameSources().InitSources(field);
  }

  void FillHeat(std::uint8_t v) {
    for (std::int32_t y = 0; y < kGridRows; ++y) {
      for (std::int32_t x = 0; x < kGridColumns; ++x) {
        field.SetCell(x, y, v, false);
      }
    }
  }

  // Every cell's heat after one pass from a field that holds v everywhere.
  std::vector<std::uint8_t> UniformPass(std::uint8_t v) {
    FillHeat(v);
    field.UpdateField();
    std::vector<std::uint8_t> heats;
    for (std::int32_t y = 0; y < kGridRows; ++y) {
      for (std::int32_t x = 0; x < kGridColumns; ++x) {
        heats.push_back(field.GetCell(x, y));
      }
    }
    return heats;
  }

  std::vector<std::uint8_t> Front() const {
    return {field.FrontImage.get(), field.FrontImage.get() + kImageSize};
  }
  std::vector<std::uint8_t> Back() const {
    return {field.BackImage.get(), field.BackImage.get() + kImageSize};
  }

  HeatField field;
};

std::vector<std::int32_t> ChangedOffsets(const std::vector<std::uint8_t>& before,
                                         const std::vector<std::uint8_t>& after) {
  std::vector<std::int32_t> offsets;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] != after[i]) {
      offsets.push_back(static_cast<std::int32_t>(i));
    }
  }
  return offsets;
}

TEST(HeatField, AllocationGivesTwoBlackImagesOfTheFixedGeometry) {
  HeatField field;
  ASSERT_TRUE(field.AllocateField());
  EXPECT_EQ(field.ImageStride, 212);
  EXPECT_EQ(field.ImageSize, 21200);
  ASSERT_NE(field.FrontImage, nullptr);
  ASSERT_NE(field.BackImage, nullptr);
  EXPECT_NE(field.FrontImage.get(), field.BackImage.get());
  const auto isZero = [](std::uint8_t byte) { return byte == 0; };
  EXPECT_TRUE(std::all_of(field.FrontImage.get(), field.FrontImage.get() + kImageSize, isZero));
  EXPECT_TRUE(std::all_of(field.BackImage.get(), field.BackImage.get() + kImageSize, isZero));
  EXPECT_EQ(field.FlameWeights, (Weights{1.0, 1.0, 1.355}));
}

bool g_noMemory = false;

TEST(HeatField, FailedAllocationKeepsNoBufferEvenAfterAnEarlierSuccess) {
  HeatField field([](std::size_t bytes) { return g_noMemory ? nullptr : HeatField::NewBuffer(bytes); });
  ASSERT_TRUE(field.AllocateField());
  g_noMemory = true;
  const bool allocated = field.AllocateField();
  g_noMemory = false;
  EXPECT_FALSE(allocated);
  EXPECT_EQ(field.FrontImage, nullptr);
  EXPECT_EQ(field.BackImage, nullptr);
  EXPECT_TRUE(field.AllocateField());
}

TEST_F(HeatFieldTest, CoordinatesOutsideTheGridAreClampedToTheNearestEdgeCell) {
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      field.SetCell(x, y, static_cast<std::uint8_t>((7 * x + 3 * y) % 256), false);
    }
  }
  struct Case {
    std::int32_t x, y, cellX, cellY;
  };
  const std::array<Case, 6> cases{{{-5, 70, 0, 49},
                                   {35, -1, 34, 0},
                                   {0, 0, 0, 0},
                                   {34, 49, 34, 49},
                                   {INT32_MIN, 12, 0, 12},
                                   {20, INT32_MAX, 20, 49}}};
  for (const Case& c : cases) {
    EXPECT_EQ(field.GetCell(c.x, c.y), (7 * c.cellX + 3 * c.cellY) % 256) << c.x << ", " << c.y;
  }

  const auto front = Front();
  field.SetCell(35, -1, 0x5A, false);
  EXPECT_EQ(ChangedOffsets(front, Front()), std::vector<std::int32_t>{CellOffset(34, 0)});
}

TEST_F(HeatFieldTest, HeatOnlyWriteTouchesOneFrontByteAndColouredWriteTwelveBackBytes) {
  std::memset(field.FrontImage.get(), 0xAA, kImageSize);
  std::memset(field.BackImage.get(), 0xAA, kImageSize);
  const auto front = Front();
  const auto back = Back();

  field.SetCell(5, 7, 200, false);
  EXPECT_EQ(ChangedOffsets(front, Front()), std::vector<std::int32_t>{CellOffset(5, 7)});
  EXPECT_EQ(ChangedOffsets(back, Back()), std::vector<std::int32_t>{});

  const auto frontAfterHeat = Front();
  field.SetCell(9, 3, 200, true);
  EXPECT_EQ(ChangedOffsets(frontAfterHeat, Front()), std::vector<std::int32_t>{});
  std::vector<std::int32_t> block;
  for (std::int32_t row : {0, kImageStride}) {
    for (std::int32_t i = 0; i < 6; ++i) {
      block.push_back(CellOffset(9, 3) + row + i);
    }
  }
  EXPECT_EQ(ChangedOffsets(back, Back()), block);
}

TEST_F(HeatFieldTest, ColouredCellShowsItsHeatAsGreyRedAndYellow) {
  struct Case {
    std::uint8_t heat;
    std::array<std::uint8_t, 6> lower;
    std::array<std::uint8_t, 6> upper;
  };
  const std::array<Case, 4> cases{{
      {0, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}},
      {128, {128, 128, 128, 0, 128, 128}, {128, 128, 128, 0, 128, 128}},
      {129, {129, 129, 129, 1, 129, 129}, {129, 129, 129, 0, 129, 129}},
      {255, {255, 255, 255, 127, 255, 255}, {255, 255, 255, 0, 255, 255}},
  }};
  for (const Case& c : cases) {
    std::memset(field.BackImage.get(), 0x55, kImageSize);
    field.SetCell(12, 30, c.heat, true);
    const std::uint8_t* lower = field.BackImage.get() + CellOffset(12, 30);
    const std::uint8_t* upper = lower + kImageStride;
    EXPECT_TRUE(std::equal(c.lower.begin(), c.lower.end(), lower)) << int{c.heat};
    EXPECT_TRUE(std::equal(c.upper.begin(), c.upper.end(), upper)) << int{c.heat};
  }
}

TEST_F(HeatFieldTest, UniformFieldKeepsItsValueUnderTheDefaultWeights) {
  for (std::int32_t v = 0; v <= 255; ++v) {
    const auto heats = UniformPass(static_cast<std::uint8_t>(v));
    EXPECT_TRUE(std::all_of(heats.begin(), heats.end(), [v](std::uint8_t h) { return h == v; })) << v;
  }
}

TEST_F(HeatFieldTest, UniformFieldUnderFlickerWeights) {
  field.FlameWeights = {1.0, 0.95, 1.355};
  for (const auto& [v, expected] :
       std::array<std::pair<std::uint8_t, std::uint8_t>, 3>{{{100, 99}, {255, 252}, {1, 0}}}) {
    const auto heats = UniformPass(v);
    EXPECT_TRUE(std::all_of(heats.begin(), heats.end(), [e = expected](std::uint8_t h) { return h == e; }))
        << int{v};
  }

  field.FlameWeights = {std::bit_cast<double>(std::uint64_t{0x3FF5C28F5C28F5C2}), 0.99, 1.0};
  for (std::int32_t v = 0; v <= 255; ++v) {
    const auto heats = UniformPass(static_cast<std::uint8_t>(v));
    EXPECT_TRUE(std::all_of(heats.begin(), heats.end(), [v](std::uint8_t h) { return h == v; })) << v;
  }
}

// Runs one pass over a black field with the given cells set and compares every cell with `expected`
// (cells not listed must come out black).
void ExpectSinglePass(HeatField& field, const std::vector<std::array<std::int32_t, 3>>& hot,
                      const std::vector<std::array<std::int32_t, 3>>& expected) {
  for (const auto& [x, y, v] : hot) {
    field.SetCell(x, y, static_cast<std::uint8_t>(v), false);
  }
  field.UpdateField();
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const auto it = std::find_if(expected.begin(), expected.end(),
                                   [x, y](const auto& cell) { return cell[0] == x && cell[1] == y; });
      EXPECT_EQ(field.GetCell(x, y), it == expected.end() ? 0 : (*it)[2]) << "cell " << x << ", " << y;
    }
  }
}

TEST_F(HeatFieldTest, SingleHotCellSpreadsUpAndSideways) {
  ExpectSinglePass(field, {{17, 25, 255}}, {{17, 25, 58}, {16, 25, 58}, {18, 25, 58}, {17, 26, 79}});
}

TEST_F(HeatFieldTest, EdgeCellsCountThemselvesAsTheirMissingNeighbour) {
  ExpectSinglePass(field, {{0, 10, 100}}, {{0, 10, 46}, {1, 10, 23}, {0, 11, 31}});
}

TEST_F(HeatFieldTest, BottomRowCountsItselfAsTheCellBelow) {
  ExpectSinglePass(field, {{10, 0, 100}}, {{10, 0, 54}, {9, 0, 23}, {11, 0, 23}, {10, 1, 31}});
}

TEST_F(HeatFieldTest, BlackFieldStaysBlackUnderAnyWeights) {
  for (const Weights& weights :
       {Weights{}, Weights{1.36, 0.95, 1.0}, Weights{0.0, 0.0, 0.0}, Weights{5.0, 5.0, 5.0}}) {
    field.FlameWeights = weights;
    field.UpdateField();
    EXPECT_TRUE(std::all_of(field.FrontImage.get(), field.FrontImage.get() + kImageSize,
                            [](std::uint8_t byte) { return byte == 0; }));
  }
}

}  // namespace
}  // namespace veltane::flame
