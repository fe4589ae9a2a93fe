#pragma once
// The window in which the animation runs. It holds all the state of one run, blackens itself and shows the
// first stage at its first paint, and computes the frames inside the handler of its own start message.

#include <cstdint>

#include "flame/flame_sources.h"
#include "flame/flicker.h"
#include "flame/frame_presenter.h"
#include "flame/heat_field.h"
#include "flame/random_sequence.h"
#include "platform/window.h"
#include "stages/stage_sequencer.h"

namespace veltane::saver {

// Posted by a flame window to itself while it is created; its handler runs the animation.
constexpr platform::UINT StartMessage = platform::WM_USER + 10;

// How the run loop spends the time between frames that would compute the picture already shown.
enum class Pacing {
  // Once a frame has changed nothing, the loop waits for the next thing that can change something: the
  // user sees the same pictures at the same moments, at a small part of the processor.
  Resting,
  // Every frame is computed, back to back: the reference that veltane-render writes and that the benchmarks
  // measure resting against.
  BackToBack,
};

// What whoever makes a flame window may choose; the saver itself takes the defaults.
struct FlameWndOptions {
  Pacing pacing = Pacing::Resting;
  // Where the heat field's images come from.
  flame::HeatField::BufferSource imageBuffers = &flame::HeatField::NewBuffer;
};

// What exists for one run of the loop only. It lives in the loop's own stack frame.
struct RunState {
  flame::RandomSequence Random;
  flame::FlameSources Sources;
  flame::Flicker FlickerState;
  std::uint32_t StageStart = 0;
};

class FlameWnd : public platform::Wnd {
 public:
  explicit FlameWnd(bool autoDelete, const FlameWndOptions& options = {});
  ~FlameWnd() override;

  // Makes the window with an empty title at rect (right and bottom exclusive). childId and context are
  // accepted and not used. False when the window system refused it; with AutoDelete the object is then gone.
  virtual bool CreateFlameWindow(std::uint32_t exStyle, std::uint32_t style, const platform::Rect& rect,
                                 platform::HWND parent, std::uint32_t childId, void* context);

  platform::LRESULT OnStartMessage(platform::WPARAM wParam, platform::LPARAM lParam);
  void RunLoop();
  // Returns once ms milliseconds have passed, or earlier as soon as a message other than a paint request
  // waits. It sleeps meanwhile, and dispatches nothing.
  static void SpinDelay(std::uint32_t ms);
  void LoadSettings();

  // The run's state, in the order of its meaning. Field holds ImageStride, the image size, FrontImage,
  // BackImage, BlueTable and FlameWeights; Presenter holds FlameHeader and FlameRect; Stages holds
  // NextStage, BurnedOut and DarkPeriods.
  flame::HeatField Field;
  std::int32_t QuitFlag = 0;
  std::int32_t FirstPaint = 1;
  flame::FramePresenter Presenter;
  stages::StageSequencer Stages;
  std::uint32_t StagePeriod = 5000;
  std::uint32_t DelayTime = 1;
  std::int32_t DelayOn = 0;
  std::int32_t AutoDelete = 0;

  // The run in progress, or nullptr.
  const RunState* CurrentRun() const { return m_run; }
  // The window has had its last message; the object lives on only because AutoDelete is clear or a
  // handler of it (the run loop's) is still running.
  bool FinallyDestroyed() const { return m_finallyDestroyed; }

 protected:
  platform::LRESULT OnCreate() override;
  platform::LRESULT OnPaint() override;
  platform::LRESULT OnSize(platform::WPARAM type, std::int32_t width, std::int32_t height) override;
  platform::LRESULT OnClose() override;
  platform::LRESULT OnUserMessage(platform::UINT message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;
  void PostNcDestroy() override;

 private:
  void RunFrames(RunState& run, platform::HWND hwnd);
  // Waits for the first thing that can change the picture: a message, or the tick at which the flicker or
  // the stage timer acts next.
  void Rest(const RunState& run) const;

  Pacing m_pacing;

  RunState* m_run = nullptr;
  bool m_finallyDestroyed = false;
};

}  // namespace veltane::saver
