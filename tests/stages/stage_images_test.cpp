#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "flame/frame_presenter.h"
#include "platform/resources.h"
#include "stages/stage_sequencer.h"
#include "tests/stages/decoded_stage.h"

namespace veltane::stages {
namespace {

using testing::DecodedStage;
using testing::kImageHeight;
using testing::kImageWidth;
using testing::kUntouched;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kColourTableSize = 256 * 4;
constexpr std::size_t kPixelDataOffset = kFileHeaderSize + kInfoHeaderSize + kColourTableSize;
// The flame sources fill flame cells 17 to 20 across and 1 to 7 up: pixel columns 34..41 and pixel rows
// 2..15 counted from the flame image's bottom. The flame's left edge stands 53 (odd client width) or 54
// (even) columns right of the stage image's left edge, so the columns under the sources in both cases are
// 88..94 of the image.
constexpr std::int32_t kSourcesLeftColumn = 54 + 34;
constexpr std::int32_t kSourcesRightColumn = 53 + 41;
constexpr std::int32_t kSourcesLowestRow = 2;
constexpr std::int32_t kSourcesHighestRow = 15;
constexpr std::int32_t kWickRowsChecked = 6;

std::vector<std::uint8_t> ReadBitmapFile(std::uint16_t id) {
  std::ifstream in(std::string(VELTANE_BITMAP_DIR) + "/" + std::to_string(id) + ".bmp", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}
std::uint32_t Le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8);
}

double Luma(std::uint32_t rgb) {
  return 0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
}

std::uint32_t At(const std::vector<std::uint32_t>& pixels, std::int32_t x, std::int32_t y) {
  return pixels[static_cast<std::size_t>(y * kImageWidth + x)];
}

std::int32_t DrawnInRow(const std::vector<std::uint32_t>& pixels, std::int32_t y) {
  std::int32_t count = 0;
  for (std::int32_t x = 0; x < kImageWidth; ++x) count += At(pixels, x, y) != 0 ? 1 : 0;
  return count;
}

TEST(StageImages, EachFileIsAnRle8BitmapOfTheStageImageSizeWithAll256ColoursAndTheSameBytesAreEmbedded) {
  for (const std::uint16_t id : StageImageIds) {
    SCOPED_TRACE(id);
    const std::vector<std::uint8_t> file = ReadBitmapFile(id);
    ASSERT_GT(file.size(), kPixelDataOffset);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), kPixelDataOffset);
    const std::size_t info = kFileHeaderSize;
    EXPECT_EQ(Le32(file, info), kInfoHeaderSize);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(file, info + 4)), kImageWidth);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(file, info + 8)), kImageHeight);  // Positive: bottom-up.
    EXPECT_EQ(Le16(file, info + 12), 1u);
    EXPECT_EQ(Le16(file, info + 14), 8u);
    EXPECT_EQ(Le32(file, info + 16), platform::BI_RLE8);
    EXPECT_EQ(Le32(file, info + 20), file.size() - kPixelDataOffset);
    EXPECT_EQ(Le32(file, info + 32), 0u);  // Colour count 0: the table holds 256 entries.
    const std::size_t table = kFileHeaderSize + kInfoHeaderSize;
    EXPECT_EQ(Le32(file, table), 0u) << "index 0 is black";
    for (std::size_t entry = 0; entry < 256; ++entry) EXPECT_EQ(file[table + entry * 4 + 3], 0) << entry;
    const auto embedded =
        platform::FindResource(("#" + std::to_string(id)).c_str(), platform::ResourceType::Bitmap);
    EXPECT_TRUE(std::equal(embedded.begin(), embedded.end(), file.begin() + kFileHeaderSize, file.end()));
    EXPECT_EQ(embedded.size(), file.size() - kFileHeaderSize);
  }
}

// Walks the codes as a decoder does: every row must be full before its end-of-line, no delta may skip
// pixels, and the last row ends with the end-of-bitmap code, which ends the data.
TEST(StageImages, EveryRowCodesAll179PixelsAndNoneIsSkipped) {
  for (const std::uint16_t id : StageImageIds) {
    SCOPED_TRACE(id);
    const std::vector<std::uint8_t> file = ReadBitmapFile(id);
    ASSERT_GT(file.size(), kPixelDataOffset);
    std::size_t at = kPixelDataOffset;
    std::int32_t row = 0;
    std::int32_t column = 0;
    bool ended = false;
    while (!ended && at + 1 < file.size()) {
      const std::uint8_t count = file[at];
      const std::uint8_t code = file[at + 1];
      at += 2;
      if (count > 0) {
        column += count;
      } else if (code == 0 || code == 1) {
        ASSERT_EQ(column, kImageWidth) << "row " << row << " ends early";
        ASSERT_EQ(code == 1, row == kImageHeight - 1) << "row " << row;
        ended = code == 1;
        ++row;
        column = 0;
      } else {
        ASSERT_NE(code, 2) << "a delta in row " << row;
        column += code;
        at += code + code % 2;
      }
      ASSERT_LE(column, kImageWidth) << "row " << row << " runs over";
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(at, file.size());
  }
}

TEST(StageImages, DecodeToEveryPixelWithBlackAroundTheDrawing) {
  for (const std::uint16_t id : StageImageIds) {
    SCOPED_TRACE(id);
    const std::vector<std::uint32_t> pixels = DecodedStage(id);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kImageWidth * kImageHeight));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kUntouched), 0);
    for (std::int32_t y = 0; y < kImageHeight; ++y) {
      EXPECT_EQ(At(pixels, 0, y), 0u) << y;
      EXPECT_EQ(At(pixels, kImageWidth - 1, y), 0u) << y;
    }
    for (std::int32_t y = 0; y < 130; ++y) {
      for (std::int32_t x = 0; x < 60; ++x) ASSERT_EQ(At(pixels, x, y), 0u) << x << ", " << y;
    }
  }
}

// The dish stands in the same place in every image: about rows 141 to 170, nearly the whole width.
TEST(StageImages, TheDishFillsTheBottomOfEveryImage) {
  for (const std::uint16_t id : StageImageIds) {
    SCOPED_TRACE(id);
    const std::vector<std::uint32_t> pixels = DecodedStage(id);
    ASSERT_FALSE(pixels.empty());
    std::int32_t first = 0;
    while (first < kImageHeight && At(pixels, 30, first) == 0) ++first;
    std::int32_t last = kImageHeight - 1;
    while (last > 0 && DrawnInRow(pixels, last) == 0) --last;
    EXPECT_GE(first, 138);
    EXPECT_LE(first, 144);
    EXPECT_GE(last, 167);
    EXPECT_LE(last, 172);
    std::int32_t left = kImageWidth;
    std::int32_t right = -1;
    for (std::int32_t x = 0; x < kImageWidth; ++x) {
      if (At(pixels, x, 153) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
    }
    EXPECT_LE(left, 12);
    EXPECT_GE(right, kImageWidth - 13);
  }
}

TEST(StageImages, TheLastTwoStagesAreDarker) {
  // The dish's lit right side, which no taper's shadow reaches.
  const auto brightness = [](std::uint16_t id) {
    const std::vector<std::uint32_t> pixels = DecodedStage(id);
    double sum = 0.0;
    for (std::int32_t y = 150; y < 168; ++y) {
      for (std::int32_t x = 125; x < 165; ++x) sum += Luma(At(pixels, x, y));
    }
    return sum;
  };
  const double fourth = brightness(StageImageIds[3]);
  EXPECT_LT(brightness(StageImageIds[4]), 0.85 * fourth);
  EXPECT_LT(brightness(StageImageIds[5]), 0.85 * brightness(StageImageIds[4]));
  EXPECT_GT(brightness(StageImageIds[0]), 0.95 * fourth);
}

// In any window that shows the image the flame's lower edge lies 137 rows, less the stage's lift, below the
// image's top edge. The wick's tip must stand among the sources' rows and its columns under them, and the
// taper's rim just below, where the flame's bottom meets it.
TEST(StageImages, TheWickStandsUnderTheFlameSourcesInEveryStage) {
  for (std::size_t stage = 0; stage < StageImageIds.size(); ++stage) {
    SCOPED_TRACE(::testing::Message() << "stage " << stage);
    const std::vector<std::uint32_t> pixels = DecodedStage(StageImageIds[stage]);
    ASSERT_FALSE(pixels.empty());
    const std::int32_t flameEdge = 137 - flame::StageFlameOffsets[stage];
    std::int32_t tip = 0;
    while (tip < kImageHeight && DrawnInRow(pixels, tip) == 0) ++tip;
    EXPECT_GE(tip, flameEdge - 1 - kSourcesHighestRow);
    EXPECT_LE(tip, flameEdge - 1 - kSourcesLowestRow);
    std::int32_t rim = tip;
    while (rim < kImageHeight && DrawnInRow(pixels, rim) < 15) ++rim;
    EXPECT_GE(rim, flameEdge - 4);
    EXPECT_LE(rim, flameEdge - 1);
    double body = 0.0;
    for (std::int32_t x = 80; x < 104; ++x) body += Luma(At(pixels, x, rim + 12)) / 24.0;
    for (std::int32_t y = tip; y < tip + kWickRowsChecked; ++y) {
      EXPECT_GT(DrawnInRow(pixels, y), 0) << "row " << y;
      for (std::int32_t x = 0; x < kImageWidth; ++x) {
        if (At(pixels, x, y) == 0) continue;
        EXPECT_GE(x, kSourcesLeftColumn) << "row " << y;
        EXPECT_LE(x, kSourcesRightColumn) << "row " << y;
        EXPECT_LT(Luma(At(pixels, x, y)), 0.6 * body) << "the wick is dark, at " << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace veltane::stages
