#include "flame/flame_sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace veltane::flame {
namespace {

constexpr std::int32_t kFirstColumn = 17;
constexpr std::int32_t kLastColumn = 20;
constexpr std::int32_t kFirstRow = 1;
constexpr std::int32_t kLastRow = 7;

bool Covered(std::int32_t x, std::int32_t y) {
  return x >= kFirstColumn && x <= kLastColumn && y >= kFirstRow && y <= kLastRow;
}

class FlameSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(field.AllocateField());
    sources.InitSources(field);
  }

  // Block k byte i holds 10k + i + 1, so that every byte says where it came from.
  void MarkBlocks() {
    for (std::int32_t k = 0; k < kSourceCount; ++k) {
      for (std::int32_t i = 0; i < 9; ++i) {
        sources.SourceBlocks[k][i] = static_cast<std::uint8_t>(10 * k + i + 1);
      }
    }
  }

  void FillCovered(std::uint8_t v) {
    for (std::int32_t y = kFirstRow; y <= kLastRow; ++y) {
      for (std::int32_t x = kFirstColumn; x <= kLastColumn; ++x) {
        field.SetCell(x, y, v, false);
      }
    }
  }

  bool AllSourceBytesWithin(std::uint8_t low, std::uint8_t high) const {
    return std::all_of(sources.SourceBlocks.begin(), sources.SourceBlocks.end(),
                       [=](const FlameSource& block) {
                         return std::all_of(block.begin(), block.end(),
                                            [=](std::uint8_t b) { return b >= low && b <= high; });
                       });
  }

  void Frame(bool burnedOut) {
    sources.StampSources(field);
    field.UpdateField();
    sources.SampleSources(field, burnedOut);
  }

  HeatField field;
  FlameSources sources;
};

TEST_F(FlameSourcesTest, InitPlacesTheBlocksInTwoColumnsAndFillsTheBlueTable) {
  for (std::int32_t k = 0; k < kSourceCount; ++k) {
    EXPECT_EQ(sources.SourceX[k], 17 + k % 2) << k;
    EXPECT_EQ(sources.SourceY[k], 1 + k / 2) << k;
  }
  const std::array<std::pair<int, int>, 6> blue{
      {{0, 0}, {100, 0}, {128, 0}, {129, 1}, {200, 72}, {255, 127}}};
  for (const auto& [v, expected] : blue) {
    EXPECT_EQ(field.BlueTable[v], expected) << v;
  }
}

TEST_F(FlameSourcesTest, StampWritesHeatBytesOnlyAndTheLastBlockWins) {
  std::memset(field.FrontImage.get(), 0x11, kImageSize);
  const std::vector<std::uint8_t> back(field.BackImage.get(), field.BackImage.get() + kImageSize);
  MarkBlocks();
  sources.StampSources(field);

  EXPECT_EQ(field.GetCell(18, 5), sources.SourceBlocks[9][0]);
  EXPECT_EQ(field.GetCell(17, 1), sources.SourceBlocks[0][0]);
  EXPECT_EQ(field.GetCell(20, 7), sources.SourceBlocks[9][8]);
  EXPECT_EQ(field.GetCell(17, 7), sources.SourceBlocks[8][6]);
  EXPECT_EQ(field.GetCell(20, 1), sources.SourceBlocks[1][2]);
  EXPECT_EQ(field.GetCell(19, 4), sources.SourceBlocks[7][1]);

  for (std::int32_t offset = 0; offset < kImageSize; ++offset) {
    const std::int32_t y = offset / (2 * kImageStride);
    const std::int32_t x = (offset % (2 * kImageStride)) / 6;
    const bool heatByte = offset == CellOffset(x, y) && x < kGridColumns;
    if (!(heatByte && Covered(x, y))) {
      ASSERT_EQ(field.FrontImage[offset], 0x11) << "offset " << offset;
    }
  }
  EXPECT_TRUE(std::equal(back.begin(), back.end(), field.BackImage.get()));
}

TEST_F(FlameSourcesTest, SampleHoldsEveryByteBetween200And250) {
  struct Case {
    std::uint8_t heat;
    std::uint8_t sampled;
  };
  for (const Case& c : {Case{0, 200}, Case{199, 200}, Case{200, 200}, Case{230, 230}, Case{250, 250},
                        Case{251, 250}, Case{255, 250}}) {
    FillCovered(c.heat);
    sources.SampleSources(field, false);
    EXPECT_TRUE(AllSourceBytesWithin(c.sampled, c.sampled)) << int{c.heat};
  }
}

TEST_F(FlameSourcesTest, SampleReadsEachBlockFromItsOwnCells) {
  for (std::int32_t y = kFirstRow; y <= kLastRow; ++y) {
    for (std::int32_t x = kFirstColumn; x <= kLastColumn; ++x) {
      field.SetCell(x, y, static_cast<std::uint8_t>(200 + 7 * (x - kFirstColumn) + (y - kFirstRow)), false);
    }
  }
  sources.SampleSources(field, false);
  for (std::int32_t k = 0; k < kSourceCount; ++k) {
    for (std::int32_t i = 0; i < 9; ++i) {
      const std::int32_t x = 17 + k % 2 + i % 3;
      const std::int32_t y = 1 + k / 2 + i / 3;
      EXPECT_EQ(sources.SourceBlocks[k][i], field.GetCell(x, y)) << "block " << k << " byte " << i;
    }
  }
}

TEST_F(FlameSourcesTest, NothingIsSampledWhileBurnedOut) {
  MarkBlocks();
  const auto blocks = sources.SourceBlocks;
  FillCovered(230);
  sources.SampleSources(field, true);
  EXPECT_EQ(sources.SourceBlocks, blocks);
}

TEST_F(FlameSourcesTest, FlareHeatsTwoCellsOfTheLastBlockAtTheNextStamp) {
  MarkBlocks();
  sources.StampSources(field);
  const std::vector<std::uint8_t> withoutFlare(field.FrontImage.get(), field.FrontImage.get() + kImageSize);

  sources.FlareSource(false);
  sources.StampSources(field);
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      const bool flared = y == 5 && (x == 18 || x == 19);
      EXPECT_EQ(field.GetCell(x, y), flared ? 255 : withoutFlare[CellOffset(x, y)]) << x << ", " << y;
    }
  }

  MarkBlocks();
  const auto blocks = sources.SourceBlocks;
  sources.FlareSource(true);
  EXPECT_EQ(sources.SourceBlocks, blocks);
}

TEST_F(FlameSourcesTest, ExtinguishedSourcesStampZeroIntoEveryCoveredCell) {
  MarkBlocks();
  std::memset(field.FrontImage.get(), 99, kImageSize);
  sources.ExtinguishSources();
  EXPECT_TRUE(AllSourceBytesWithin(0, 0));
  sources.StampSources(field);
  for (std::int32_t y = 0; y < kGridRows; ++y) {
    for (std::int32_t x = 0; x < kGridColumns; ++x) {
      EXPECT_EQ(field.GetCell(x, y), Covered(x, y) ? 0 : 99) << x << ", " << y;
    }
  }
}

TEST_F(FlameSourcesTest, BlackFieldWithSourcesAt200StaysAt200AfterOneFrame) {
  for (FlameSource& block : sources.SourceBlocks) {
    block.fill(200);
  }
  sources.StampSources(field);
  field.UpdateField();
  std::uint8_t hottest = 0;
  std::uint8_t coolest = 255;
  for (std::int32_t y = kFirstRow; y <= kLastRow; ++y) {
    for (std::int32_t x = kFirstColumn; x <= kLastColumn; ++x) {
      hottest = std::max(hottest, field.GetCell(x, y));
      coolest = std::min(coolest, field.GetCell(x, y));
    }
  }
  EXPECT_EQ(hottest, 200);
  EXPECT_LT(coolest, 200);
  sources.SampleSources(field, false);
  EXPECT_TRUE(AllSourceBytesWithin(200, 200));
}

TEST_F(FlameSourcesTest, BurningDiesAwayAndRelightsFromTheFirstSampleOn) {
  for (int frame = 0; frame < 300; ++frame) {
    Frame(false);
    ASSERT_TRUE(AllSourceBytesWithin(200, 250)) << "frame " << frame;
  }
  EXPECT_GE(field.GetCell(18, 20), 1);

  sources.ExtinguishSources();
  for (int frame = 0; frame < 300; ++frame) {
    Frame(true);
    ASSERT_TRUE(AllSourceBytesWithin(0, 0)) << "frame " << frame;
  }
  for (std::int32_t y = kFirstRow; y <= kLastRow; ++y) {
    for (std::int32_t x = kFirstColumn; x <= kLastColumn; ++x) {
      EXPECT_EQ(field.GetCell(x, y), 0) << x << ", " << y;
    }
  }

  Frame(false);
  EXPECT_TRUE(AllSourceBytesWithin(200, 200));
  Frame(false);
  EXPECT_GE(field.GetCell(18, 8), 1);
}

}  // namespace
}  // namespace veltane::flame
