#include "flame/frame_presenter.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/platform.h"

namespace veltane::flame {
namespace {

using platform::HWND;
using platform::MemoryBackend;

constexpr std::size_t kImageBytes = 21200;
constexpr std::size_t kRowBytes = 212;

class FramePresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<MemoryBackend>();
    m_backend = backend.get();
    platform::SetBackend(std::move(backend));
  }
  void TearDown() override { platform::SetBackend(nullptr); }

  HWND Window(std::int32_t width, std::int32_t height) {
    return m_backend->CreateHostWindow({width, height});
  }

  // A flame image whose every pixel tells its own place: blue = column, green = buffer row, red = 0x80.
  static std::vector<std::uint8_t> PatternImage() {
    std::vector<std::uint8_t> image(kImageBytes, 0);
    for (std::size_t row = 0; row < 100; ++row) {
      for (std::size_t column = 0; column < 70; ++column) {
        std::uint8_t* pixel = image.data() + row * kRowBytes + column * 3;
        pixel[0] = static_cast<std::uint8_t>(column);
        pixel[1] = static_cast<std::uint8_t>(row);
        pixel[2] = 0x80;
      }
    }
    return image;
  }
  static std::uint32_t PatternPixel(std::int32_t column, std::int32_t row) {
    return 0x800000u | (static_cast<std::uint32_t>(row) << 8) | static_cast<std::uint32_t>(column);
  }

  MemoryBackend* m_backend = nullptr;
};

// A window that shows the taper (strictly larger than its image both ways), or is at least 300 high, puts the
// flame on the wick; any other window centres it.
TEST_F(FramePresenterTest, PlacesTheFlameByClientSizeAndStage) {
  struct Case {
    std::int32_t width, height, stage, x, y;
  };
  const Case cases[] = {
      {640, 480, 0, 284, 65},   {640, 480, 5, 284, 192}, {641, 481, 0, 284, 65}, {1024, 768, 0, 476, 209},
      {1024, 768, 3, 476, 275}, {152, 112, 0, 41, 6},    {152, 112, 4, 41, 6},   {640, 300, 0, 284, -25},
      {640, 299, 0, 284, -26},  {150, 300, 0, 39, -25},  {150, 299, 0, 40, 99},  {150, 250, 0, 40, 75},
      {150, 250, 5, 40, 75},    {320, 240, 0, 124, -55}, {320, 240, 5, 124, 72}, {300, 250, 0, 114, -50},
      {300, 250, 3, 114, 16},   {180, 175, 0, 54, -88},  {179, 175, 0, 54, 37},  {180, 174, 0, 55, 37},
      {65, 200, 2, -2, 50},     {60, 10, 0, -5, -45},
  };
  for (const Case& c : cases) {
    FramePresenter presenter;
    const HWND hwnd = Window(c.width, c.height);
    presenter.LayoutFlame(hwnd);
    presenter.PlaceFlame(hwnd, c.stage);
    EXPECT_EQ(presenter.FlameRect, (FlameRectangle{c.x, c.y, 70, 100}))
        << c.width << "x" << c.height << " stage " << c.stage;
  }
}

TEST_F(FramePresenterTest, LayoutDescribesTheImageAndPlacesItForStageZero) {
  FramePresenter presenter;
  presenter.LayoutFlame(Window(640, 480));
  const platform::BitmapInfoHeader& header = presenter.FlameHeader;
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 70);
  EXPECT_EQ(header.biHeight, 100);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, platform::BI_RGB);
  EXPECT_EQ(header.biSizeImage | header.biClrUsed | header.biClrImportant, 0u);
  EXPECT_EQ(header.biXPelsPerMeter | header.biYPelsPerMeter, 0);
  EXPECT_EQ(presenter.FlameRect, (FlameRectangle{284, 65, 70, 100}));
}

TEST_F(FramePresenterTest, DrawsTheImageOneToOneWithBufferRowZeroAtTheBottom) {
  const HWND hwnd = Window(152, 112);
  FramePresenter presenter;
  presenter.LayoutFlame(hwnd);
  const std::vector<std::uint8_t> image = PatternImage();
  presenter.PresentFrame(hwnd, image.data(), false);

  for (std::int32_t y = 0; y < 112; ++y) {
    for (std::int32_t x = 0; x < 152; ++x) {
      const bool inside = x >= 41 && x < 111 && y >= 6 && y < 106;
      const std::uint32_t expected = inside ? PatternPixel(x - 41, 6 + 99 - y) : 0;
      ASSERT_EQ(m_backend->Pixel(hwnd, x, y), expected) << x << "," << y;
    }
  }
  ASSERT_EQ(m_backend->DrawCalls().size(), 1u);
  EXPECT_EQ(m_backend->DrawCalls()[0].rect, (platform::Rect{41, 6, 111, 106}));
}

TEST_F(FramePresenterTest, AnImageWiderThanTheWindowIsClipped) {
  const HWND hwnd = Window(65, 90);
  FramePresenter presenter;
  presenter.LayoutFlame(hwnd);
  ASSERT_EQ(presenter.FlameRect.x, -2);
  ASSERT_EQ(presenter.FlameRect.y, -5);
  const std::vector<std::uint8_t> image = PatternImage();
  presenter.DrawFlame(hwnd, image.data());
  EXPECT_EQ(m_backend->Pixel(hwnd, 0, 0), PatternPixel(2, 94));
  EXPECT_EQ(m_backend->Pixel(hwnd, 64, 89), PatternPixel(66, 5));
}

TEST_F(FramePresenterTest, DrawsNothingOnceQuittingOrGoneOrWithoutContext) {
  const HWND hwnd = Window(640, 480);
  FramePresenter presenter;
  presenter.LayoutFlame(hwnd);
  const std::vector<std::uint8_t> image = PatternImage();

  presenter.PresentFrame(hwnd, image.data(), true);
  m_backend->SetGetDCFails(true);
  presenter.PresentFrame(hwnd, image.data(), false);
  m_backend->SetGetDCFails(false);
  EXPECT_TRUE(m_backend->DrawCalls().empty());
  EXPECT_EQ(m_backend->Pixels(hwnd), std::vector<std::uint32_t>(640 * 480, 0));

  m_backend->DestroyNativeWindow(hwnd);
  presenter.PresentFrame(hwnd, image.data(), false);
  EXPECT_TRUE(m_backend->DrawCalls().empty());
}

TEST_F(FramePresenterTest, AFieldOfZerosCoversWhatWasBeneath) {
  const HWND hwnd = Window(152, 112);
  const platform::HDC dc = platform::GetDC(hwnd);
  platform::FillRect(dc, platform::Rect{0, 0, 152, 112}, 0xFFFFFF);
  platform::ReleaseDC(hwnd, dc);
  FramePresenter presenter;
  presenter.LayoutFlame(hwnd);
  const std::vector<std::uint8_t> zeros(kImageBytes, 0);
  presenter.PresentFrame(hwnd, zeros.data(), false);
  EXPECT_EQ(m_backend->Pixel(hwnd, 41, 6), 0u);
  EXPECT_EQ(m_backend->Pixel(hwnd, 110, 105), 0u);
  EXPECT_EQ(m_backend->Pixel(hwnd, 40, 6), 0xFFFFFFu);
  EXPECT_EQ(m_backend->Pixel(hwnd, 111, 105), 0xFFFFFFu);
  EXPECT_EQ(m_backend->Pixel(hwnd, 41, 106), 0xFFFFFFu);
}

}  // namespace
}  // namespace veltane::flame
