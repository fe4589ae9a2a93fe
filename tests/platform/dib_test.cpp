#include "platform/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace veltane::platform {
namespace {

constexpr std::uint32_t kBefore = 0x00ABCDEF;  // What the surface holds before a draw.
constexpr std::uint32_t kRed = 0x00FF0000;
constexpr std::uint32_t kGreen = 0x0000FF00;
constexpr std::uint32_t kBlue = 0x000000FF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

class Canvas {
 public:
  Canvas(std::int32_t width, std::int32_t height)
      : m_width(width),
        m_pixels(static_cast<std::size_t>(width * height), kBefore),
        m_surface{m_pixels.data(), width, height, width} {}
  void Draw(const DibView& dib, std::int32_t x, std::int32_t y) { BlitDib(dib, x, y, m_surface); }
  std::uint32_t At(std::int32_t x, std::int32_t y) const {
    return m_pixels[static_cast<std::size_t>(y * m_width + x)];
  }
  // The canvas as rows of pixels, top row first, for whole-picture comparisons.
  std::vector<std::vector<std::uint32_t>> Rows() const {
    std::vector<std::vector<std::uint32_t>> rows;
    for (std::size_t at = 0; at < m_pixels.size(); at += static_cast<std::size_t>(m_width)) {
      rows.emplace_back(m_pixels.begin() + static_cast<std::ptrdiff_t>(at),
                        m_pixels.begin() + static_cast<std::ptrdiff_t>(at) + m_width);
    }
    return rows;
  }

 private:
  std::int32_t m_width;
  std::vector<std::uint32_t> m_pixels;
  Surface m_surface;
};

BitmapInfoHeader Header(std::int32_t width, std::int32_t height, std::uint16_t bits,
                        std::uint32_t compression) {
  BitmapInfoHeader header;
  header.biWidth = width;
  header.biHeight = height;
  header.biBitCount = bits;
  header.biCompression = compression;
  return header;
}

// A 3 x 2 picture, stored bottom-up with rows of 9 bytes padded to 12: bottom row red, green, blue; top
// row white, black, red.
const std::vector<std::uint8_t> kRgbBits{0,   0,   255, 0, 255, 0, 255, 0, 0,   0xEE, 0xEE, 0xEE,
                                         255, 255, 255, 0, 0,   0, 0,   0, 255, 0xEE, 0xEE, 0xEE};

TEST(BlitDib, Rgb24RowsLandBottomUpWithTheirPaddingSkipped) {
  Canvas canvas(5, 4);
  canvas.Draw(DibView{Header(3, 2, 24, BI_RGB), {}, kRgbBits}, 1, 1);
  const std::vector<std::vector<std::uint32_t>> expected{
      {kBefore, kBefore, kBefore, kBefore, kBefore},
      {kBefore, kWhite, 0, kRed, kBefore},
      {kBefore, kRed, kGreen, kBlue, kBefore},
      {kBefore, kBefore, kBefore, kBefore, kBefore},
  };
  EXPECT_EQ(canvas.Rows(), expected);
}

TEST(BlitDib, Rgb24IsClippedOnEverySide) {
  Canvas topLeft(2, 1);
  topLeft.Draw(DibView{Header(3, 2, 24, BI_RGB), {}, kRgbBits}, -1, -1);
  EXPECT_EQ(topLeft.Rows(), (std::vector<std::vector<std::uint32_t>>{{kGreen, kBlue}}));

  Canvas bottomRight(2, 2);
  bottomRight.Draw(DibView{Header(3, 2, 24, BI_RGB), {}, kRgbBits}, 1, 1);
  EXPECT_EQ(bottomRight.Rows(),
            (std::vector<std::vector<std::uint32_t>>{{kBefore, kBefore}, {kBefore, kWhite}}));

  Canvas farAway(2, 2);
  farAway.Draw(DibView{Header(3, 2, 24, BI_RGB), {}, kRgbBits}, 2000000000, -2000000000);
  EXPECT_EQ(farAway.Rows(),
            (std::vector<std::vector<std::uint32_t>>{{kBefore, kBefore}, {kBefore, kBefore}}));
}

TEST(BlitDib, Rgb24StopsWhereTruncatedDataEnds) {
  Canvas canvas(3, 2);
  const std::vector<std::uint8_t> truncated(kRgbBits.begin(), kRgbBits.begin() + 17);  // Top row: 1 pixel.
  canvas.Draw(DibView{Header(3, 2, 24, BI_RGB), {}, truncated}, 0, 0);
  EXPECT_EQ(canvas.Rows(),
            (std::vector<std::vector<std::uint32_t>>{{kWhite, kBefore, kBefore}, {kRed, kGreen, kBlue}}));
}

const std::vector<RgbQuad> kPalette{{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};

std::vector<std::vector<std::uint32_t>> DrawRle(std::int32_t width, std::int32_t height,
                                                const std::vector<std::uint8_t>& bits,
                                                std::int32_t canvasWidth, std::int32_t canvasHeight) {
  Canvas canvas(canvasWidth, canvasHeight);
  canvas.Draw(DibView{Header(width, height, 8, BI_RLE8), kPalette, bits}, 0, 0);
  return canvas.Rows();
}

TEST(BlitDib, Rle8DecodesEveryKindOfRecord) {
  const std::vector<std::uint8_t> bits{2, 0,              // Encoded run: two red pixels.
                                       0, 3, 1, 2, 3, 0,  // Absolute run of three, padded to a word.
                                       0, 0,              // End of line.
                                       0, 2, 1, 1,        // Delta: one right, one line up, to the top line.
                                       1, 3,              // One white pixel.
                                       0, 1,              // End of bitmap.
                                       5, 2};             // Never read.
  const std::vector<std::vector<std::uint32_t>> expected{
      {kBefore, kWhite, kBefore, kBefore, kBefore, kBefore},
      {kBefore, kBefore, kBefore, kBefore, kBefore, kBefore},
      {kRed, kRed, kGreen, kBlue, kWhite, kBefore},
  };
  EXPECT_EQ(DrawRle(6, 3, bits, 6, 3), expected);
}

TEST(BlitDib, Rle8ClipsRunsAtTheRowEndAndColoursBeyondTheTableAreBlack) {
  const std::vector<std::uint8_t> bits{9, 1, 0, 0, 1, 200, 0, 1};
  const std::vector<std::vector<std::uint32_t>> expected{
      {0, kBefore, kBefore, kBefore},
      {kGreen, kGreen, kGreen, kBefore},
  };
  EXPECT_EQ(DrawRle(3, 2, bits, 4, 2), expected);
}

TEST(BlitDib, Rle8StopsWhereMalformedDataEnds) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bits;
    std::vector<std::uint32_t> bottomRow;
  };
  const std::vector<Case> cases{
      {"absolute run cut short", {0, 5, 3, 2}, {kWhite, kBlue, kBefore, kBefore}},
      {"delta without its offsets", {1, 1, 0, 2, 1}, {kGreen, kBefore, kBefore, kBefore}},
      {"odd trailing byte", {2, 2, 7}, {kBlue, kBlue, kBefore, kBefore}},
      {"delta far past the bitmap", {0, 2, 255, 255, 4, 3}, {kBefore, kBefore, kBefore, kBefore}},
      {"no data", {}, {kBefore, kBefore, kBefore, kBefore}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DrawRle(4, 1, c.bits, 4, 1).back(), c.bottomRow) << c.name;
  }
}

TEST(BlitDib, Rle8WithoutColourTableDrawsBlack) {
  Canvas canvas(2, 1);
  canvas.Draw(DibView{Header(2, 1, 8, BI_RLE8), {}, std::vector<std::uint8_t>{2, 3}}, 0, 0);
  EXPECT_EQ(canvas.Rows(), (std::vector<std::vector<std::uint32_t>>{{0, 0}}));
}

TEST(BlitDib, UnsupportedOrAbsurdBitmapsDrawNothing) {
  const std::vector<BitmapInfoHeader> headers{Header(3, 2, 8, BI_RGB),       Header(3, 2, 24, BI_RLE8),
                                              Header(3, 2, 32, BI_RGB),      Header(0, 2, 24, BI_RGB),
                                              Header(-3, 2, 24, BI_RGB),     Header(3, -2, 24, BI_RGB),
                                              Header(1 << 30, 2, 24, BI_RGB)};
  for (const BitmapInfoHeader& header : headers) {
    Canvas canvas(3, 2);
    canvas.Draw(DibView{header, kPalette, kRgbBits}, 0, 0);
    EXPECT_EQ(canvas.At(0, 0), kBefore);
    EXPECT_EQ(canvas.At(0, 1), kBefore);
  }
}

std::vector<std::uint8_t> Packed(const BitmapInfoHeader& header, std::size_t colours, std::size_t bits) {
  std::vector<std::uint8_t> packed(sizeof(header) + colours * sizeof(RgbQuad) + bits, 0x11);
  std::memcpy(packed.data(), &header, sizeof(header));
  return packed;
}

TEST(ParsePackedDib, FindsTheColourTableAndThePixels) {
  const std::vector<std::uint8_t> packed = Packed(Header(4, 4, 8, BI_RLE8), 256, 10);
  DibView view;
  ASSERT_TRUE(ParsePackedDib(packed, &view));
  EXPECT_EQ(view.header.biWidth, 4);
  EXPECT_EQ(view.colors.size(), 256u);
  EXPECT_EQ(static_cast<const void*>(view.colors.data()), packed.data() + 40);
  EXPECT_EQ(view.bits.data(), packed.data() + 40 + 1024);
  EXPECT_EQ(view.bits.size(), 10u);

  BitmapInfoHeader used = Header(4, 4, 8, BI_RLE8);
  used.biClrUsed = 3;
  used.biSizeImage = 6;
  ASSERT_TRUE(ParsePackedDib(Packed(used, 3, 10), &view));
  EXPECT_EQ(view.colors.size(), 3u);
  EXPECT_EQ(view.bits.size(), 6u);

  ASSERT_TRUE(ParsePackedDib(Packed(Header(70, 100, 24, BI_RGB), 0, 21200), &view));
  EXPECT_TRUE(view.colors.empty());
  EXPECT_EQ(view.bits.size(), 21200u);
}

// The colour table has the header's count of entries, or 256 for any depth below 24 bits when that count is
// 0; it starts right after the 40-byte header and the pixels right after it, whatever biSize claims.
TEST(ParsePackedDib, ColourCountAndPixelOffsetFollowTheHeaderRule) {
  struct Case {
    const char* name;
    std::uint16_t bits;
    std::uint32_t used;
    std::uint32_t headerSize;
    std::size_t colours;
  };
  const Case cases[] = {
      {"4 bits, count 0", 4, 0, 40, 256},   {"4 bits, count 16", 4, 16, 40, 16},
      {"16 bits, count 0", 16, 0, 40, 256}, {"16 bits, count 3", 16, 3, 40, 3},
      {"24 bits, count 0", 24, 0, 40, 0},   {"8 bits behind a longer header", 8, 0, 108, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BitmapInfoHeader header = Header(2, 2, c.bits, BI_RGB);
    header.biClrUsed = c.used;
    header.biSize = c.headerSize;
    const std::vector<std::uint8_t> packed = Packed(header, c.colours, 16);
    DibView view;
    ASSERT_TRUE(ParsePackedDib(packed, &view));
    EXPECT_EQ(view.colors.size(), c.colours);
    EXPECT_EQ(static_cast<const void*>(view.colors.data()), packed.data() + 40);
    EXPECT_EQ(view.bits.data(), packed.data() + 40 + 4 * c.colours);
    EXPECT_EQ(view.bits.size(), 16u);
  }
  // A 4-bit image that carries only the 16 entries its depth could use is too short for the table it claims.
  DibView view;
  EXPECT_FALSE(ParsePackedDib(Packed(Header(2, 2, 4, BI_RGB), 16, 0), &view));
}

TEST(ParsePackedDib, RejectsWhatCannotBeABitmap) {
  BitmapInfoHeader hugeTable = Header(4, 4, 8, BI_RLE8);
  hugeTable.biClrUsed = 0xFFFFFFFF;
  BitmapInfoHeader shortHeader = Header(4, 4, 24, BI_RGB);
  shortHeader.biSize = 12;
  BitmapInfoHeader longHeader = Header(4, 4, 24, BI_RGB);
  longHeader.biSize = 0x7FFFFFFF;
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases{
      {"shorter than a header", std::vector<std::uint8_t>(39, 0)},
      {"colour table cut short", Packed(Header(4, 4, 8, BI_RLE8), 255, 0)},
      {"zero width", Packed(Header(0, 4, 24, BI_RGB), 0, 48)},
      {"negative width", Packed(Header(-4, 4, 24, BI_RGB), 0, 48)},
      {"zero height", Packed(Header(4, 0, 24, BI_RGB), 0, 48)},
      {"huge width", Packed(Header(0x7FFFFFFF, 1, 24, BI_RGB), 0, 48)},
      {"huge colour count", Packed(hugeTable, 4, 48)},
      {"header size too small", Packed(shortHeader, 0, 48)},
      {"header size past the end", Packed(longHeader, 0, 48)},
      {"no bits per pixel", Packed(Header(4, 4, 0, BI_RGB), 0, 48)},
  };
  for (const auto& [name, packed] : cases) {
    DibView view;
    EXPECT_FALSE(ParsePackedDib(packed, &view)) << name;
  }
}

}  // namespace
}  // namespace veltane::platform
