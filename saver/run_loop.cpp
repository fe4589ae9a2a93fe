// The start message's handler and the run loop: frames back to back, without a timer, with one window
// message handled between two frames.

#include "platform/app.h"
#include "platform/platform.h"
#include "saver/flame_wnd.h"

namespace veltane::saver {

using platform::LPARAM;
using platform::LRESULT;
using platform::WPARAM;

namespace {

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

// Every frame runs the same eight steps. Nothing here allocates; the per-run state is in run.
void FlameWnd::RunFrames(RunState& run, platform::HWND hwnd) {
  platform::Msg msg;
  do {
    run.Sources.StampSources(Field);
    Field.UpdateField();
    run.Sources.SampleSources(Field, Stages.BurnedOut != 0);
    Presenter.PresentFrame(hwnd, Field.FrontImage.get(), QuitFlag != 0);
    if (DelayOn != 0) SpinDelay(DelayTime);

    // The period is measured from a reading taken after the advance, so the stages never catch up on
    // time that a slow frame lost.
    if (platform::GetTickCount() - run.StageStart > StagePeriod) {
      Stages.AdvanceStage(hwnd, Presenter);
      if (Stages.BurnedOut != 0) run.Sources.ExtinguishSources();
      run.StageStart = platform::GetTickCount();
    }

    run.FlickerState.FlickerStep(&platform::GetTickCount, run.Random, Field.FlameWeights, Stages.NextStage,
                                 Stages.BurnedOut != 0, run.Sources);

    if (platform::PeekMessage(&msg, false)) PumpOneMessage();
    // A preview host may destroy the window without any close request, which sets no flag. The object
    // outlives its window for as long as this loop runs, so its own record of the destruction is safe to
    // read, and costs no round trip to the server.
  } while (QuitFlag == 0 && !m_finallyDestroyed);
}

// Spins on the tick count: the delay neither sleeps nor yields nor dispatches anything. At most once a
// millisecond it looks whether input, a close request or the window's destruction waits, and then ends at
// once, so that a long delay cannot hold the end of the saver back; a paint request, which always waits,
// does not count, so while nobody touches anything every delay runs its full length.
void FlameWnd::SpinDelay(std::uint32_t ms) {
  const std::uint32_t start = platform::GetTickCount();
  std::uint32_t lookedAt = start;
  for (std::uint32_t now = platform::GetTickCount(); now - start < ms; now = platform::GetTickCount()) {
    if (now == lookedAt) continue;
    lookedAt = now;
    if (platform::NonPaintMessageWaiting()) return;
  }
}

}  // namespace veltane::saver
