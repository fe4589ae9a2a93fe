#include "platform/picture.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace veltane::platform {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlack = 0;

// A 4 x 4 bitmap, bottom-up, 24 bits, white all over.
DibView WhiteSquare(std::vector<std::uint8_t>& bits) {
  bits.assign(12 * 4, 0xFF);
  DibView dib;
  dib.header.biWidth = 4;
  dib.header.biHeight = 4;
  dib.header.biBitCount = 24;
  dib.bits = bits;
  return dib;
}

// Each step draws, and says what it changed and what the picture lights afterwards: black on black and a
// bitmap over its own pixels change nothing, and the lit part shrinks only when black covers all of it.
TEST(Picture, ChangesAndLightsOnlyWhereAnythingButBlackWasDrawn) {
  std::vector<std::uint8_t> bits;
  const DibView square = WhiteSquare(bits);
  struct Step {
    const char* name;
    Rect rect;  // Filled, or the bitmap's place when colour is absent.
    std::optional<std::uint32_t> colour;
    Rect changed;
    Rect lit;
  };
  const Step steps[] = {
      {"black on a new picture", {0, 0, 60, 40}, kBlack, {}, {}},
      {"red", {10, 10, 20, 20}, kRed, {10, 10, 20, 20}, {10, 10, 20, 20}},
      {"black over part of it", {0, 0, 15, 15}, kBlack, {10, 10, 15, 15}, {10, 10, 20, 20}},
      {"black over all of it", {5, 5, 25, 25}, kBlack, {10, 10, 20, 20}, {}},
      {"a bitmap over the corner", {-2, -1, 2, 3}, std::nullopt, {0, 0, 2, 3}, {0, 0, 2, 3}},
      {"the same bitmap again", {-2, -1, 2, 3}, std::nullopt, {}, {0, 0, 2, 3}},
      {"the bitmap a pixel further in", {-1, 0, 3, 4}, std::nullopt, {0, 0, 3, 4}, {0, 0, 3, 4}},
      {"red off the picture", {60, 0, 70, 10}, kRed, {}, {0, 0, 3, 4}},
  };
  Picture picture(Size{60, 40});
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const Rect changed = step.colour ? picture.Fill(step.rect, *step.colour)
                                     : picture.Draw(step.rect.left, step.rect.top, square);
    EXPECT_EQ(changed, step.changed);
    EXPECT_EQ(picture.LitBounds(), step.lit);
  }
  EXPECT_EQ(picture.Pixels().pixels[1 * 60 + 1], 0xFFFFFFu);
  EXPECT_EQ(picture.Pixels().pixels[12 * 60 + 12], kBlack);
}

TEST(Picture, ResizingKeepsWhatBothSizesHoldAndBringsBlack) {
  Picture picture(Size{60, 40});
  picture.Fill(Rect{30, 20, 40, 30}, kRed);
  picture.Resize(Size{35, 25});
  EXPECT_EQ(picture.LitBounds(), (Rect{30, 20, 35, 25}));
  EXPECT_EQ(picture.Pixels().pixels[24 * 35 + 34], kRed);
  picture.Resize(Size{60, 40});
  EXPECT_EQ(picture.Pixels().pixels[24 * 60 + 34], kRed);
  EXPECT_EQ(picture.Pixels().pixels[25 * 60 + 35], kBlack);
}

// Drawn in picture pixels, sent in screen pixels: 2 x 2 blocks, the odd column and row left over black.
TEST(Picture, AtScaleTwoEachPixelIsABlockAndWhatIsLeftOverIsBlack) {
  Picture picture(Size{325, 243}, 2);
  EXPECT_EQ(picture.Fill(Rect{160, 119, 170, 130}, kRed), (Rect{320, 238, 324, 242}));
  std::vector<std::uint32_t> screen(325 * 243, 0x123456);
  picture.CopyTo(picture.Bounds(), Surface{screen.data(), 325, 243, 325});
  EXPECT_EQ(screen[241 * 325 + 323], kRed);
  EXPECT_EQ(screen[237 * 325 + 319], kBlack);
  EXPECT_EQ(screen[242 * 325 + 323], kBlack);
  EXPECT_EQ(screen[241 * 325 + 324], kBlack);
}

}  // namespace
}  // namespace veltane::platform
