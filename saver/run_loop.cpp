// The start message's handler and the run loop: frames without a timer, with one window message handled
// between two frames, and a rest while the flame is still.

#include <algorithm>

#include "platform/app.h"
#include "platform/platform.h"
#include "saver/flame_wnd.h"

namespace veltane::saver {

using platform::LPARAM;
using platform::LRESULT;
using platform::WPARAM;

namespace {

// A wait's deadline is a tick, compared in signed arithmetic: a longer wait is taken in parts.
constexpr std::uint32_t kLongestWait = 0x7FFFFFFF;

// Retrieves and dispatches exactly one message, through the application's pump when there is an
// application; what it retrieves, a quit message included, is consumed.
void PumpOneMessage() {
  if (platform::WinApp* app = platform::WinApp::Current()) {
    app->PumpMessage();
    return;
  }
  platform::Msg msg;
  if (platform::GetMessage(&msg)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
}

}  // namespace

LRESULT FlameWnd::OnStartMessage(WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (!Field.AllocateField()) {
    QuitFlag = 1;
    return 0;
  }
  LoadSettings();
  Presenter.LayoutFlame(m_hWnd);
  RunLoop();
  return 0;
}

void FlameWnd::RunLoop() {
  RunState run;
  run.Random.Seed(static_cast<std::uint32_t>(platform::CalendarTime()));
  run.Sources.InitSources(Field);
  run.FlickerState.Start(&platform::GetTickCount, run.Random);
  run.StageStart = platform::GetTickCount();

  // The frames draw through the handle that the run began with: the window's destruction clears the
  // object's own binding while this loop is still on the stack.
  const platform::HWND hwnd = m_hWnd;
  m_run = &run;
  if (QuitFlag == 0 && !m_finallyDestroyed) RunFrames(run, hwnd);
  m_run = nullptr;
  // Posted whatever the message step consumed, a quit message of the final destruction included.
  platform::PostQuitMessage(0);
}

// Every frame runs the same eight steps. Between two events (a message, a stage advance, a change of the
// flicker) a frame is a fixed function of the field, the sources and the weights, and the flame settles
// within a few dozen frames after each event: once a frame has changed no byte of either, every frame until
// the next event would draw the picture already shown. A resting loop skips those frames and sleeps until
// the next event instead, so the user sees the same pictures at the same ticks. Nothing here allocates; the
// per-run state is in run.
void FlameWnd::RunFrames(RunState& run, platform::HWND hwnd) {
  platform::Msg msg;
  bool settled = false;
  do {
    if (!settled) {
      run.Sources.StampSources(Field);
      const bool fieldChanged = Field.UpdateField();
      const bool sourcesChanged = run.Sources.SampleSources(Field, Stages.BurnedOut != 0);
      Presenter.PresentFrame(hwnd, Field.FrontImage.get(), QuitFlag != 0);
      settled = m_pacing == Pacing::Resting && !fieldChanged && !sourcesChanged;
    }
    if (DelayOn != 0) SpinDelay(DelayTime);

    // The period is measured from a reading taken after the advance, so the stages never catch up on
    // time that a slow frame lost.
    if (platform::GetTickCount() - run.StageStart > StagePeriod) {
      Stages.AdvanceStage(hwnd, Presenter);
      if (Stages.BurnedOut != 0) run.Sources.ExtinguishSources();
      run.StageStart = platform::GetTickCount();
      settled = false;
    }

    const flame::Flicker flickerBefore = run.FlickerState;
    run.FlickerState.FlickerStep(&platform::GetTickCount, run.Random, Field.FlameWeights, Stages.NextStage,
                                 Stages.BurnedOut != 0, run.Sources);
    if (!(run.FlickerState == flickerBefore)) settled = false;

    if (platform::PeekMessage(&msg, false)) {
      // Only a paint request of this window after its first paint is sure to draw nothing.
      if (msg.message != platform::WM_PAINT || msg.hwnd != hwnd || FirstPaint != 0) settled = false;
      PumpOneMessage();
    }
    // A preview host may destroy the window without any close request, which sets no flag. The object
    // outlives its window for as long as this loop runs, so its own record of the destruction is safe to
    // read, and costs no round trip to the server. With speed control on, the delay is the loop's rest.
    if (settled && DelayOn == 0 && QuitFlag == 0 && !m_finallyDestroyed) Rest(run);
  } while (QuitFlag == 0 && !m_finallyDestroyed);
}

void FlameWnd::Rest(const RunState& run) const {
  const std::uint32_t now = platform::GetTickCount();
  const std::uint64_t rest =
      std::min({flame::MillisecondsUntilPast(run.StageStart, StagePeriod, now),
                run.FlickerState.MillisecondsUntilStep(now), std::uint64_t{kLongestWait}});
  platform::WaitMessageUntil(now + static_cast<std::uint32_t>(rest));
}

// Sleeps until the delay is over, or until input, a close request or the window's destruction waits, and
// then returns at once, so that a long delay cannot hold the end of the saver back; a paint request, which
// always waits, does not count, so while nobody touches anything every delay runs its full length. It
// dispatches nothing.
void FlameWnd::SpinDelay(std::uint32_t ms) {
  const std::uint32_t start = platform::GetTickCount();
  for (std::uint32_t now = start; now - start < ms; now = platform::GetTickCount()) {
    const std::uint32_t left = std::min<std::uint32_t>(ms - (now - start), kLongestWait);
    if (platform::WaitMessageUntil(now + left)) return;
  }
}

}  // namespace veltane::saver
