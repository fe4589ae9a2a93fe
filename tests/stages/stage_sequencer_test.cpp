#include "stages/stage_sequencer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/platform.h"
#include "tests/stages/decoded_stage.h"

namespace veltane::stages {
namespace {

using platform::HWND;
using platform::MemoryBackend;
using platform::Rect;
using testing::DecodedStage;
using testing::kImageHeight;
using testing::kImageWidth;

constexpr int kNothing = -1;

class StageSequencerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<MemoryBackend>();
    m_backend = backend.get();
    platform::SetBackend(std::move(backend));
    for (const std::uint16_t id : StageImageIds) m_stages.push_back(DecodedStage(id));
  }
  void TearDown() override { platform::SetBackend(nullptr); }

  HWND Window(std::int32_t width, std::int32_t height) {
    const HWND hwnd = m_backend->CreateHostWindow({width, height});
    m_presenter.LayoutFlame(hwnd);
    return hwnd;
  }

  // Which stage image the window shows at (x, y), pixel for pixel, or kNothing.
  int StageOnScreen(HWND hwnd, std::int32_t x, std::int32_t y) const {
    for (std::size_t stage = 0; stage < m_stages.size(); ++stage) {
      bool same = true;
      for (std::int32_t row = 0; row < kImageHeight && same; ++row) {
        for (std::int32_t column = 0; column < kImageWidth && same; ++column) {
          same = m_backend->Pixel(hwnd, x + column, y + row) ==
                 m_stages[stage][static_cast<std::size_t>(row * kImageWidth + column)];
        }
      }
      if (same) return static_cast<int>(stage);
    }
    return kNothing;
  }

  std::vector<Rect> BitmapDraws() const {
    std::vector<Rect> draws;
    for (const auto& call : m_backend->DrawCalls()) {
      if (call.kind == MemoryBackend::DrawCall::Dib) draws.push_back(call.rect);
    }
    return draws;
  }

  MemoryBackend* m_backend = nullptr;
  flame::FramePresenter m_presenter;
  StageSequencer m_sequencer;
  std::vector<std::vector<std::uint32_t>> m_stages;
};

// One row per call from the start: what is drawn, and the three members after the call.
struct Advance {
  int drawn;
  std::int32_t burnedOut;
  std::int32_t darkPeriods;
  std::uint32_t nextStage;
};
constexpr Advance kCycle[] = {
    {0, 0, 0, 1},         // Call 1, the first paint.
    {1, 0, 0, 2},         // Call 2, the first stage period.
    {2, 0, 0, 3},         // Call 3.
    {3, 0, 0, 4},         // Call 4.
    {4, 0, 0, 5},         // Call 5.
    {5, 0, 0, 6},         // Call 6: the last stage.
    {kNothing, 1, 1, 7},  // Call 7: burned out, and stage 5 stays on screen.
    {0, 0, 0, 1},         // Call 8: the relight.
    {1, 0, 0, 2},         // Call 9, as call 2.
};

TEST_F(StageSequencerTest, StepsThroughTheStagesBurnsOutAndRelightsAtTheSecondAdvanceAfterStageFive) {
  const HWND hwnd = Window(640, 480);
  int onScreen = kNothing;
  // Two passes over the table: the relight starts a cycle that repeats the first exactly.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t call = pass == 0 ? 0 : 2; call < std::size(kCycle); ++call) {
      const Advance& expected = kCycle[call];
      m_backend->ClearDrawCalls();
      m_sequencer.AdvanceStage(hwnd, m_presenter);
      SCOPED_TRACE(::testing::Message() << "pass " << pass << ", call " << call + 1);
      EXPECT_EQ(m_sequencer.BurnedOut, expected.burnedOut);
      EXPECT_EQ(m_sequencer.DarkPeriods, expected.darkPeriods);
      EXPECT_EQ(m_sequencer.NextStage, expected.nextStage);
      if (expected.drawn != kNothing) onScreen = expected.drawn;
      EXPECT_EQ(BitmapDraws().size(), expected.drawn == kNothing ? 0u : 1u);
      EXPECT_EQ(StageOnScreen(hwnd, 230, 153), onScreen);
      const std::int32_t flameY = 190 - flame::StageFlameOffsets[static_cast<std::size_t>(onScreen)];
      EXPECT_EQ(m_presenter.FlameRect, (flame::FlameRectangle{284, flameY, 70, 100}));
    }
  }
}

TEST_F(StageSequencerTest, WithoutADrawingContextTheMembersAdvanceButNothingMovesOrIsDrawn) {
  const HWND hwnd = Window(640, 480);
  m_sequencer.AdvanceStage(hwnd, m_presenter);
  m_sequencer.AdvanceStage(hwnd, m_presenter);
  const flame::FlameRectangle stageOnePlace = m_presenter.FlameRect;
  m_backend->SetGetDCFails(true);
  m_backend->ClearDrawCalls();
  for (std::size_t call = 2; call < std::size(kCycle); ++call) {
    m_sequencer.AdvanceStage(hwnd, m_presenter);
    SCOPED_TRACE(::testing::Message() << "call " << call + 1);
    EXPECT_EQ(m_sequencer.BurnedOut, kCycle[call].burnedOut);
    EXPECT_EQ(m_sequencer.DarkPeriods, kCycle[call].darkPeriods);
    EXPECT_EQ(m_sequencer.NextStage, kCycle[call].nextStage);
    EXPECT_EQ(m_presenter.FlameRect, stageOnePlace);
  }
  EXPECT_TRUE(m_backend->DrawCalls().empty());
  EXPECT_EQ(StageOnScreen(hwnd, 230, 153), 1);
  m_backend->SetGetDCFails(false);
  m_sequencer.AdvanceStage(hwnd, m_presenter);
  EXPECT_EQ(StageOnScreen(hwnd, 230, 153), 2);
}

TEST_F(StageSequencerTest, AMissingImageDrawsNothing) {
  const HWND hwnd = Window(640, 480);
  const platform::HDC dc = platform::GetDC(hwnd);
  // 151 is no resource; 65535 names "#-1", since an id is taken as a signed 16-bit value.
  for (const std::uint16_t id : {std::uint16_t{151}, std::uint16_t{0}, std::uint16_t{65535}}) {
    StageSequencer::DrawStageImage(hwnd, id, dc);
  }
  platform::ReleaseDC(hwnd, dc);
  EXPECT_TRUE(m_backend->DrawCalls().empty());
}

TEST_F(StageSequencerTest, DrawsTheImageCentredOnlyWhenTheClientAreaIsStrictlyLarger) {
  struct Case {
    std::int32_t width, height;
    bool drawn;
    std::int32_t x, y;
  };
  const Case cases[] = {
      {179, 300, false, 0, 0},    {300, 174, false, 0, 0},  {179, 174, false, 0, 0},
      {152, 112, false, 0, 0},    {180, 175, true, 0, 0},   {640, 480, true, 230, 153},
      {641, 481, true, 231, 153}, {300, 250, true, 60, 38}, {182, 177, true, 1, 1},
  };
  for (const Case& c : cases) {
    const HWND hwnd = Window(c.width, c.height);
    m_backend->ClearDrawCalls();
    const platform::HDC dc = platform::GetDC(hwnd);
    StageSequencer::DrawStageImage(hwnd, StageImageIds[0], dc);
    platform::ReleaseDC(hwnd, dc);
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
    const std::vector<Rect> draws = BitmapDraws();
    if (!c.drawn) {
      EXPECT_TRUE(draws.empty());
      continue;
    }
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0], (Rect{c.x, c.y, c.x + kImageWidth, c.y + kImageHeight}));
    EXPECT_EQ(StageOnScreen(hwnd, c.x, c.y), 0);
  }
}

TEST_F(StageSequencerTest, LeavesEverythingAroundTheImageAsItWas) {
  const HWND hwnd = Window(640, 480);
  m_sequencer.AdvanceStage(hwnd, m_presenter);
  const std::vector<std::uint32_t>& pixels = m_backend->Pixels(hwnd);
  for (std::int32_t y = 0; y < 480; ++y) {
    for (std::int32_t x = 0; x < 640; ++x) {
      const bool inside = x >= 230 && x < 230 + kImageWidth && y >= 153 && y < 153 + kImageHeight;
      if (!inside) {
        ASSERT_EQ(pixels[static_cast<std::size_t>(y * 640 + x)], 0u) << x << ", " << y;
      }
    }
  }
}

// Neither window is strictly larger than the image both ways, so no image is drawn and the flame, centred,
// never moves and nothing is filled.
TEST_F(StageSequencerTest, AWindowTooSmallForTheImageStillRunsTheWholeCycleWithTheFlameCentred) {
  struct Case {
    std::int32_t width, height, x, y;
  };
  for (const Case& c : {Case{152, 112, 41, 6}, Case{150, 250, 40, 75}}) {
    const HWND hwnd = Window(c.width, c.height);
    StageSequencer sequencer;
    m_backend->ClearDrawCalls();
    for (std::size_t call = 0; call < std::size(kCycle); ++call) {
      sequencer.AdvanceStage(hwnd, m_presenter);
      SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", call " << call + 1);
      EXPECT_EQ(sequencer.BurnedOut, kCycle[call].burnedOut);
      EXPECT_EQ(sequencer.NextStage, kCycle[call].nextStage);
      EXPECT_EQ(m_presenter.FlameRect, (flame::FlameRectangle{c.x, c.y, 70, 100}));
    }
    EXPECT_TRUE(m_backend->DrawCalls().empty());
  }
}

// Wherever the image is drawn the flame stands on its wick, however low the window: its lower edge lies 137
// rows, less the stage's lift, below the image's top, and its left edge 53 or 54 columns right of the
// image's.
TEST_F(StageSequencerTest, EveryWindowThatShowsTheImagePutsTheFlameOnItsWick) {
  struct Case {
    std::int32_t width, height, columnsIn;
  };
  for (const Case& c : {Case{320, 240, 54}, Case{300, 250, 54}, Case{181, 175, 53}, Case{640, 480, 54},
                        Case{641, 481, 53}, Case{1024, 768, 54}}) {
    const HWND hwnd = Window(c.width, c.height);
    StageSequencer sequencer;
    for (std::size_t stage = 0; stage < StageImageIds.size(); ++stage) {
      m_backend->ClearDrawCalls();
      sequencer.AdvanceStage(hwnd, m_presenter);
      SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", stage " << stage);
      const std::vector<Rect> draws = BitmapDraws();
      ASSERT_EQ(draws.size(), 1u);
      EXPECT_EQ(StageOnScreen(hwnd, draws[0].left, draws[0].top), static_cast<int>(stage));
      const flame::FlameRectangle& flame = m_presenter.FlameRect;
      EXPECT_EQ(flame.y + flame.height - draws[0].top, 137 - flame::StageFlameOffsets[stage]);
      EXPECT_EQ(flame.x - draws[0].left, c.columnsIn);
    }
  }
}

// A white flame is drawn before every advance; after it nothing may be lit outside the flame's new place and
// the image, and a newly drawn image must be whole. Only an advance that moves the flame fills anything, and
// then exactly its old place.
TEST_F(StageSequencerTest, AnAdvanceThatMovesTheFlameLeavesNothingOfTheOldFlameBehind) {
  const std::vector<std::uint8_t> flameImage(21200, 0xFF);
  // The relight starts a cycle that repeats the first from call 2 on; the second pass covers its moves.
  std::vector<std::size_t> calls;
  for (std::size_t call = 0; call < std::size(kCycle); ++call) calls.push_back(call);
  for (std::size_t call = 2; call < std::size(kCycle); ++call) calls.push_back(call);
  for (const platform::Size size :
       {platform::Size{640, 480}, platform::Size{320, 240}, platform::Size{300, 250}}) {
    const HWND hwnd = Window(size.width, size.height);
    StageSequencer sequencer;
    std::int32_t imageLeft = 0;
    std::int32_t imageTop = 0;
    for (std::size_t call = 0; call < calls.size(); ++call) {
      const Advance& expected = kCycle[calls[call]];
      const flame::FlameRectangle before = m_presenter.FlameRect;
      m_presenter.PresentFrame(hwnd, flameImage.data(), false);
      m_backend->ClearDrawCalls();
      sequencer.AdvanceStage(hwnd, m_presenter);
      SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height << ", call " << call + 1);
      const flame::FlameRectangle& after = m_presenter.FlameRect;
      std::vector<Rect> fills;
      for (const auto& drawCall : m_backend->DrawCalls()) {
        if (drawCall.kind == MemoryBackend::DrawCall::Fill) fills.push_back(drawCall.rect);
      }
      if (after == before) {
        EXPECT_TRUE(fills.empty());
      } else {
        EXPECT_EQ(fills, (std::vector<Rect>{{before.x, before.y, before.x + 70, before.y + 100}}));
      }
      if (expected.drawn != kNothing) {
        ASSERT_EQ(BitmapDraws().size(), 1u);
        imageLeft = BitmapDraws()[0].left;
        imageTop = BitmapDraws()[0].top;
        EXPECT_EQ(StageOnScreen(hwnd, imageLeft, imageTop), expected.drawn);
      }
      for (std::int32_t y = 0; y < size.height; ++y) {
        for (std::int32_t x = 0; x < size.width; ++x) {
          const bool inFlame = x >= after.x && x < after.x + 70 && y >= after.y && y < after.y + 100;
          const bool inImage =
              x >= imageLeft && x < imageLeft + kImageWidth && y >= imageTop && y < imageTop + kImageHeight;
          if (!inFlame && !inImage) {
            ASSERT_EQ(m_backend->Pixel(hwnd, x, y), 0u) << x << ", " << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace veltane::stages
