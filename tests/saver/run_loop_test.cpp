#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

#include "flame/heat_field.h"
#include "saver/flame_wnd.h"
#include "tests/saver/saver_fixture.h"

namespace veltane::testing {
namespace {

using platform::MemoryBackend;
using platform::Msg;
using platform::Rect;

// A clock that moves on by one millisecond at every reading, as a real one does under a busy loop.
class TickingBackend : public MemoryBackend {
 public:
  std::uint32_t TickCount() override {
    ++Readings;
    AdvanceTickCount(1);
    if (OnReading) OnReading(MemoryBackend::TickCount());
    return MemoryBackend::TickCount();
  }
  int Readings = 0;
  // Called at every reading with the time it gives: what the world does at that moment.
  std::function<void(std::uint32_t)> OnReading;
};

class RunLoopTest : public SaverFixture {
 protected:
  // Runs a preview of the given size until the window is gone and the application's loop has ended.
  ProbeFlameWnd* StartPreview(platform::Size client = {1024, 768}) {
    auto* wnd = MakePreview(client, &Log, true);
    Hwnd = wnd->GetSafeHwnd();
    Log.frames = [this] { return FramesDrawn(); };
    return wnd;
  }
  void CloseAt(int frame, int now) {
    if (now == frame) platform::PostMessage(Hwnd, platform::WM_CLOSE, 0, 0);
  }
  std::vector<MemoryBackend::DrawCall> Draws() const {
    return {Backend->DrawCalls().begin(), Backend->DrawCalls().end()};
  }

  struct TimerStep {
    int frame;                  // At the message step of this frame,
    std::uint32_t expectStage;  // NextStage holds this, and
    std::uint32_t moveClockTo;  // the clock is then set to this many ms after the start (0: left alone).
  };
  // Runs the preview from a clock at startTicks through the steps, and closes it at the last one.
  void PlayTimerScript(ProbeFlameWnd* wnd, std::uint32_t startTicks, std::vector<TimerStep> steps,
                       std::map<int, std::uint32_t>* stageStarts = nullptr) {
    Backend->SetTickCount(startTicks);
    OnEveryFrame([=, this](int frame) {
      if (stageStarts != nullptr) (*stageStarts)[frame] = wnd->CurrentRun()->StageStart;
      for (const TimerStep& step : steps) {
        if (step.frame != frame) continue;
        EXPECT_EQ(wnd->Stages.NextStage, step.expectStage) << "at frame " << frame;
        if (step.moveClockTo != 0) Backend->SetTickCount(startTicks + step.moveClockTo);
      }
      CloseAt(steps.back().frame, frame);
    });
    RunMessageLoop();
  }

  ProbeLog Log;
  platform::HWND Hwnd = 0;
};

TEST_F(RunLoopTest, FirstFrameIsPaintedOverByTheBlackFillAndStageZero) {
  StartPreview({1024, 768});
  OnEveryFrame([this](int frame) { CloseAt(3, frame); });

  EXPECT_EQ(RunMessageLoop(), 0);

  const auto calls = Draws();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, MemoryBackend::DrawCall::Dib);
  EXPECT_EQ(calls[0].rect, (Rect{476, 209, 476 + 70, 209 + 100}));
  EXPECT_EQ(calls[1].kind, MemoryBackend::DrawCall::Fill);
  EXPECT_EQ(calls[1].rect, (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(calls[2].kind, MemoryBackend::DrawCall::Dib);
  EXPECT_EQ(calls[2].rect, (Rect{422, 297, 422 + 179, 297 + 174}));
  EXPECT_EQ(calls[3].rect, calls[0].rect);
  EXPECT_TRUE(Log.deleted);
  EXPECT_FALSE(Log.runningWhenDeleted);
}

TEST_F(RunLoopTest, QuitFlagAlreadySetRunsNoFrameButPostsTheQuitMessage) {
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);
  TakePostedMessages();
  ASSERT_TRUE(wnd->Field.AllocateField());
  wnd->QuitFlag = 1;

  wnd->RunLoop();

  EXPECT_EQ(FramesDrawn(), 0);
  EXPECT_EQ(wnd->Field.BlueTable[255], 127) << "the sources were not set up";
  Msg msg;
  EXPECT_FALSE(platform::GetMessage(&msg));
  EXPECT_EQ(msg.wParam, 0u);
  wnd->DestroyWindow();
}

TEST_F(RunLoopTest, FailedAllocationSetsQuitFlagAndDoesNothingElse) {
  ProbeLog log;
  saver::FlameWndOptions noMemory;
  noMemory.imageBuffers = [](std::size_t) { return std::unique_ptr<std::uint8_t[]>(); };
  auto* wnd = MakePreview({320, 240}, &log, false, noMemory);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);
  WriteSetting("DelayTime", 33);

  Msg start;
  ASSERT_TRUE(platform::GetMessage(&start));
  ASSERT_EQ(start.message, saver::StartMessage);
  EXPECT_EQ(platform::DispatchMessage(start), 0);

  EXPECT_EQ(wnd->QuitFlag, 1);
  EXPECT_EQ(wnd->DelayTime, 1u) << "the settings were read";
  EXPECT_EQ(wnd->StagePeriod, 5000u);
  EXPECT_EQ(wnd->Field.FrontImage, nullptr);
  EXPECT_EQ(FramesDrawn(), 0);
  Msg next;
  ASSERT_TRUE(platform::PeekMessage(&next, false));
  EXPECT_EQ(next.message, platform::WM_PAINT) << "a quit message was posted";
  wnd->DestroyWindow();
}

TEST_F(RunLoopTest, EachFrameHandlesOneMessageForAnyWindowOfTheThread) {
  // Another window of the thread, whose own start message is taken away so that it never runs.
  ProbeLog otherLog;
  ProbeFlameWnd other(&otherLog, false);
  ASSERT_TRUE(other.CreateEx(0, platform::WS_CHILD, {0, 0, 10, 10}, Backend->CreateHostWindow({10, 10})));
  otherLog.frames = [this] { return FramesDrawn(); };
  TakePostedMessages();
  StartPreview();
  OnEveryFrame([&](int frame) {
    if (frame == 3) {
      for (platform::UINT m = 0; m < 3; ++m) platform::PostMessage(Hwnd, platform::WM_USER + 20 + m, m, 0);
      platform::PostMessage(other.GetSafeHwnd(), platform::WM_USER + 30, 0, 0);
    }
    CloseAt(10, frame);
  });

  RunMessageLoop();

  ASSERT_EQ(Log.userMessages.size(), 3u);
  for (std::size_t m = 0; m < 3; ++m) EXPECT_EQ(Log.userMessages[m].message, platform::WM_USER + 20 + m);
  EXPECT_EQ(Log.userMessageFrames, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(otherLog.userMessageFrames, std::vector<int>{6});
  other.DestroyWindow();
}

TEST_F(RunLoopTest, QuitMessageTakenByTheMessageStepDoesNotEndTheLoop) {
  StartPreview();
  OnEveryFrame([this](int frame) {
    if (frame == 2) platform::PostQuitMessage(7);
    CloseAt(6, frame);
  });

  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_GE(FramesDrawn(), 6);
}

TEST_F(RunLoopTest, StageAdvancesOnceMoreThanStagePeriodHasPassedAndNeverCatchesUp) {
  WriteSetting("BurnTime", 1);  // A stage period of 9960 ms.
  auto* wnd = StartPreview();
  std::map<int, std::uint32_t> stageStarts;

  PlayTimerScript(wnd, kStartTicks,
                  {
                      {2, 1, 9960},          // Exactly one period: no advance.
                      {3, 1, 9961},          // One millisecond more: the advance.
                      {4, 2, 9961 + 30000},  // A stall of three periods gives one advance, and the next
                      {5, 3, 39961 + 9960},  // period starts at its reading: one period later, none yet;
                      {6, 3, 39961 + 9961},  // a millisecond more, the next.
                      {7, 4, 0},
                  },
                  &stageStarts);

  EXPECT_EQ(stageStarts[1], kStartTicks);
  EXPECT_EQ(stageStarts[4], kStartTicks + 9961);
  EXPECT_EQ(stageStarts[5], kStartTicks + 39961);
}

TEST_F(RunLoopTest, StagePeriodZeroAdvancesInEveryFrameThatSeesTheClockMove) {
  WriteSetting("BurnTime", 0);
  auto* wnd = StartPreview();
  PlayTimerScript(wnd, kStartTicks, {{2, 1, 0}, {3, 1, 1}, {4, 2, 0}, {5, 2, 2}, {6, 3, 0}});
}

TEST_F(RunLoopTest, StageTimerMeasuresAcrossTheWrapOfTheTickCount) {
  WriteSetting("BurnTime", 1);
  auto* wnd = StartPreview();
  PlayTimerScript(wnd, 0xFFFFFF00u, {{2, 1, 9960}, {3, 1, 9961}, {4, 2, 0}});
}

bool AllSourceBytesWithin(const saver::RunState& run, std::uint8_t low, std::uint8_t high) {
  return std::all_of(
      run.Sources.SourceBlocks.begin(), run.Sources.SourceBlocks.end(), [&](const auto& block) {
        return std::all_of(block.begin(), block.end(), [&](std::uint8_t v) { return v >= low && v <= high; });
      });
}

TEST_F(RunLoopTest, BurnedOutFramesKeepTheSourcesDarkUntilTheRelight) {
  WriteSetting("BurnTime", 0);
  auto* wnd = StartPreview();
  int burnedOutAt = 0;
  int relitAt = 0;
  OnEveryFrame([&](int frame) {
    const saver::RunState& run = *wnd->CurrentRun();
    if (burnedOutAt == 0) {
      if (wnd->Stages.BurnedOut != 0) {
        burnedOutAt = frame;
      } else {
        EXPECT_TRUE(AllSourceBytesWithin(run, 200, 250)) << "at frame " << frame;
        Backend->AdvanceTickCount(1);
      }
    }
    if (burnedOutAt != 0 && relitAt == 0) {
      EXPECT_TRUE(AllSourceBytesWithin(run, 0, 0)) << "at frame " << frame;
      if (frame == burnedOutAt + 3) Backend->AdvanceTickCount(1);
      if (wnd->Stages.BurnedOut == 0) relitAt = frame;
    }
    if (relitAt != 0 && frame == relitAt + 1) {
      EXPECT_EQ(wnd->Stages.NextStage, 1u);
      EXPECT_TRUE(AllSourceBytesWithin(run, 200, 250));
      platform::PostMessage(Hwnd, platform::WM_CLOSE, 0, 0);
    }
  });

  RunMessageLoop();

  EXPECT_GT(burnedOutAt, 0);
  EXPECT_EQ(relitAt, burnedOutAt + 4);
}

TEST_F(RunLoopTest, PreviewDestroyedFromOutsideEndsTheLoopAndTheObject) {
  StartPreview({320, 240});
  int destroyedAt = 0;
  OnEveryFrame([&](int frame) {
    if (frame == 3) {
      destroyedAt = frame;
      Backend->DestroyFromOutside(Host);
    }
  });

  EXPECT_EQ(RunMessageLoop(), 0);

  EXPECT_EQ(destroyedAt, 3);
  EXPECT_LE(FramesDrawn(), 4);
  EXPECT_FALSE(platform::IsWindow(Hwnd));
  EXPECT_TRUE(Log.deleted);
  EXPECT_FALSE(Log.runningWhenDeleted);
}

// The delay sleeps in the platform's wait, which on this backend moves the clock to its end at once.
TEST_F(RunLoopTest, SpinDelayReturnsOnceTheDelayIsOverAcrossTheWrap) {
  for (const std::uint32_t start : {1000u, 0xFFFFFFFEu}) {
    Backend->SetTickCount(start);
    saver::FlameWnd::SpinDelay(5);
    EXPECT_EQ(Backend->TickCount() - start, 5u) << "from " << start;
  }
  saver::FlameWnd::SpinDelay(0);
  EXPECT_EQ(Backend->TickCount(), 3u);
}

TEST_F(RunLoopTest, SpeedControlWaitsInEveryFrameOnlyWhenSwitchedOn) {
  for (const std::int32_t delayOn : {0, 1}) {
    auto backend = std::make_unique<TickingBackend>();
    Backend = backend.get();
    platform::SetBackend(std::move(backend));
    Backend->SetPollHook([this] {
      if (OnEveryPoll) OnEveryPoll();
    });
    WriteSetting("DelayOn", delayOn);
    WriteSetting("DelayTime", 50);
    Log = {};
    StartPreview({320, 240});
    std::vector<std::uint32_t> ticks;
    OnEveryFrame([&](int frame) {
      ticks.push_back(Backend->TickCount());
      CloseAt(4, frame);
    });

    RunMessageLoop();

    ASSERT_EQ(ticks.size(), 4u);
    for (std::size_t f = 2; f < ticks.size(); ++f) {
      if (delayOn != 0) {
        EXPECT_GE(ticks[f] - ticks[f - 1], 50u);
      } else {
        EXPECT_LT(ticks[f] - ticks[f - 1], 50u);
      }
    }
  }
}

// Long after the first paint and the stage image, the record holds only the latest flame frames.
TEST_F(RunLoopTest, ALongRenderKeepsABoundedRecordOfTheLatestDrawing) {
  StartPreview({320, 240});
  // A frame polls once or twice (its look, and its pump's get unless the look has just answered that): either
  // way a thousand frames or more beyond what the record holds.
  const int closeAtPoll = 2 * (static_cast<int>(MemoryBackend::kDrawCallLimit) + 1000);
  int polls = 0;
  OnEveryPoll = [&] {
    if (++polls == closeAtPoll) platform::PostMessage(Hwnd, platform::WM_CLOSE, 0, 0);
  };

  RunMessageLoop();

  const auto& calls = Backend->DrawCalls();
  ASSERT_EQ(calls.size(), MemoryBackend::kDrawCallLimit);
  for (const MemoryBackend::DrawCall& call : calls) {
    EXPECT_EQ(call.kind, MemoryBackend::DrawCall::Dib);
    EXPECT_EQ(call.rect, (Rect{124, -55, 124 + 70, -55 + 100}));
  }
}

// Speed control on with a delay of 5000 ms: what ends the saver, coming in the middle of a delay, ends it
// at once rather than at the end of the delay.
TEST_F(RunLoopTest, AKeyOrTheHostsDestructionCutsALongDelayShort) {
  for (const bool fullScreen : {true, false}) {
    SCOPED_TRACE(fullScreen ? "a key to the full-screen saver" : "the preview host destroyed");
    Backend->SetTickCount(kStartTicks);
    WriteSetting("DelayOn", 1);
    WriteSetting("DelayTime", 5000);
    Log = {};
    if (fullScreen) {
      auto* wnd = new ProbeSaverWnd(&Log);
      ASSERT_TRUE(wnd->CreateFullScreen());
      Hwnd = wnd->GetSafeHwnd();
      App->m_pMainWnd = wnd;
      Log.frames = [this] { return FramesDrawn(); };
    } else {
      StartPreview({320, 240});
    }
    // The first poll after the second frame's flame is the one in its delay.
    std::uint32_t actedAt = 0;
    OnEveryFrame([&](int frame) {
      if (frame != 2) return;
      actedAt = Backend->TickCount();
      if (fullScreen) {
        Backend->InjectKey(Hwnd, 'Q');
      } else {
        Backend->DestroyFromOutside(Host);
      }
    });

    EXPECT_EQ(RunMessageLoop(), 0);

    ASSERT_NE(actedAt, 0u);
    EXPECT_EQ(Backend->TickCount(), actedAt);
    EXPECT_FALSE(platform::IsWindow(Hwnd));
    EXPECT_TRUE(Log.deleted);
    Backend->ClearDrawCalls();
  }
}

}  // namespace
}  // namespace veltane::testing
