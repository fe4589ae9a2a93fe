#pragma once
// The six burn-down stages: each advance draws the next stage image centred and moves the flame onto its
// wick; after stage 5 the taper burns out for one period and is then relit at stage 0.

#include <array>
#include <cstdint>

#include "flame/frame_presenter.h"
#include "platform/win_types.h"

namespace veltane::stages {

constexpr std::array<std::uint16_t, 6> StageImageIds{152, 153, 154, 155, 156, 157};

class StageSequencer {
 public:
  void AdvanceStage(platform::HWND hwnd, flame::FramePresenter& presenter);
  void DrawStage(platform::HWND hwnd, flame::FramePresenter& presenter, std::uint32_t stage);
  // Draws again what the current stage shows on a window blackened at a new size: its image, with the flame
  // placed on its wick; once burned out, only the flame's place over the last stage's wick.
  void RedrawStage(platform::HWND hwnd, flame::FramePresenter& presenter);
  static void DrawStageImage(platform::HWND hwnd, std::uint16_t id, platform::HDC dc);

  std::uint32_t NextStage = 0;
  std::int32_t BurnedOut = 0;
  std::int32_t DarkPeriods = 0;
};

}  // namespace veltane::stages
