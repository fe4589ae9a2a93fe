#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string_view>
#include <vector>

#include "saver/flame_wnd.h"
#include "tests/saver/saver_fixture.h"

namespace veltane::testing {
namespace {

using saver::Pacing;

constexpr platform::Size kClient{300, 300};
constexpr std::uint32_t kStagePeriod = 1000;
// Six stages, the burned-out period and the relight, and a little of the stage after it.
constexpr std::uint32_t kTicks = 8 * kStagePeriod + 500;
// A seed whose run has a flare among its flicker changes.
constexpr std::int64_t kSeed = 2;

// The application's pump, which the run loop's message step calls: after every message step the clock moves
// on by one millisecond, so that frames back to back come one a tick, and the picture of that tick is
// recorded. Once the run's ticks are over the window is closed.
class TickApp : public platform::WinApp {
 public:
  TickApp(platform::MemoryBackend& backend, std::function<void()> onStep)
      : m_backend(backend), m_onStep(std::move(onStep)) {}
  bool PumpMessage() override {
    const bool result = WinApp::PumpMessage();
    m_onStep();
    m_backend.AdvanceTickCount(1);
    return result;
  }

 private:
  platform::MemoryBackend& m_backend;
  std::function<void()> m_onStep;
};

std::size_t Hash(const std::vector<std::uint32_t>& pixels) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(pixels.data()), pixels.size() * sizeof(pixels[0])));
}

struct Recording {
  // A hash of the window's pixels at every tick of the run, as the last message step before it left them.
  std::vector<std::size_t> pictures;
  int framesDrawn = 0;
  int flickerCycles = 0;
  bool flared = false;
  bool relit = false;
};

class RestingLoop : public SaverFixture {
 protected:
  // One run of the preview from the fixture's start tick and calendar time (the seed), with the stage period
  // and the speed control given, the loop pacing its frames as asked.
  Recording RunFor(Pacing pacing, std::int32_t delayOn, std::uint32_t delayTime) {
    Backend->SetPollHook({});
    Backend->SetTickCount(kStartTicks);
    Backend->SetCalendarTime(kSeed);
    App.reset();
    Host = Backend->CreateHostWindow(kClient);
    saver::FlameWnd wnd(false, saver::FlameWndOptions{pacing});
    EXPECT_TRUE(wnd.CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE,
                                      {0, 0, kClient.width, kClient.height}, Host, 0, nullptr));
    const platform::HWND hwnd = wnd.GetSafeHwnd();
    TakePostedMessages();
    EXPECT_TRUE(wnd.Field.AllocateField());
    wnd.StagePeriod = kStagePeriod;
    wnd.DelayOn = delayOn;
    wnd.DelayTime = delayTime;
    wnd.Presenter.LayoutFlame(hwnd);

    Recording run;
    std::size_t picture = Hash(Backend->Pixels(hwnd));
    std::uint32_t cycleStart = 0;
    bool burnedOut = false;
    TickApp app(*Backend, [&] {
      const std::uint32_t tick = Backend->TickCount() - kStartTicks;
      while (run.pictures.size() < std::min(tick, kTicks)) run.pictures.push_back(picture);
      picture = Hash(Backend->Pixels(hwnd));
      if (run.pictures.size() == tick && tick < kTicks) run.pictures.push_back(picture);
      for (const platform::MemoryBackend::DrawCall& call : Backend->DrawCalls()) {
        run.framesDrawn += call.kind == platform::MemoryBackend::DrawCall::Dib && call.rect.Width() == 70;
      }
      Backend->ClearDrawCalls();
      if (const saver::RunState* state = wnd.CurrentRun()) {
        const std::uint32_t start = state->FlickerState.FlickerStart;
        run.flickerCycles += std::exchange(cycleStart, start) != start;
        run.flared = run.flared || state->Sources.SourceBlocks[9][0] == 255;
      }
      run.relit = run.relit || (burnedOut && wnd.Stages.BurnedOut == 0);
      burnedOut = wnd.Stages.BurnedOut != 0;
      if (tick >= kTicks && platform::IsWindow(hwnd)) platform::SendMessage(hwnd, platform::WM_CLOSE, 0, 0);
    });
    wnd.RunLoop();
    return run;
  }
};

// The same seed, start tick and clock, once back to back and once resting: the picture is the same at every
// tick, through flicker cycles, a flare, every stage, the burn-out and the relight, with and without speed
// control; and the resting loop skips frames, most of them without speed control.
TEST_F(RestingLoop, ShowsAtEveryTickWhatFramesBackToBackShow) {
  struct Case {
    const char* name;
    std::int32_t delayOn;
    std::uint32_t delayTime;
    double restingShare;  // At most this share of the frames is drawn when resting.
  };
  for (const Case& c : {Case{"frames back to back", 0, 0, 0.25}, Case{"speed control at 7 ms", 1, 7, 0.8}}) {
    SCOPED_TRACE(c.name);
    const Recording reference = RunFor(Pacing::BackToBack, c.delayOn, c.delayTime);
    const Recording resting = RunFor(Pacing::Resting, c.delayOn, c.delayTime);

    EXPECT_GE(reference.flickerCycles, 5);
    EXPECT_TRUE(reference.flared);
    EXPECT_TRUE(reference.relit);
    ASSERT_EQ(reference.pictures.size(), kTicks);
    ASSERT_EQ(resting.pictures.size(), kTicks);
    for (std::uint32_t tick = 0; tick < kTicks; ++tick) {
      ASSERT_EQ(resting.pictures[tick], reference.pictures[tick]) << "at tick " << tick;
    }
    EXPECT_LT(resting.framesDrawn, c.restingShare * reference.framesDrawn);
  }
}

}  // namespace
}  // namespace veltane::testing
