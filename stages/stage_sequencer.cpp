#include "stages/stage_sequencer.h"

#include <cassert>
#include <span>
#include <string>

#include "platform/client_dc.h"
#include "platform/dib.h"
#include "platform/platform.h"
#include "platform/resources.h"

namespace veltane::stages {
namespace {

constexpr std::uint32_t kStageCount = static_cast<std::uint32_t>(StageImageIds.size());
// The burned-out period is the first advance after the last stage; the relight comes at the one after it.
constexpr std::int32_t kDarkPeriodsBeforeRelight = 1;
constexpr std::uint32_t kBlack = 0x000000;

}  // namespace

void StageSequencer::AdvanceStage(platform::HWND hwnd, flame::FramePresenter& presenter) {
  if (NextStage < kStageCount) {
    DrawStage(hwnd, presenter, NextStage);
  } else {
    BurnedOut = 1;
  }
  if (BurnedOut != 0) {
    ++DarkPeriods;
    if (DarkPeriods > kDarkPeriodsBeforeRelight) {
      DarkPeriods = 0;
      BurnedOut = 0;
      NextStage = 0;
      DrawStage(hwnd, presenter, 0);
    }
  }
  ++NextStage;
}

void StageSequencer::RedrawStage(platform::HWND hwnd, flame::FramePresenter& presenter) {
  if (NextStage == 0) return;
  if (BurnedOut != 0) {
    presenter.PlaceFlame(hwnd, static_cast<std::int32_t>(kStageCount - 1));
    return;
  }
  DrawStage(hwnd, presenter, NextStage - 1);
}

// Without a drawing context the flame keeps its place too, so flame and taper never disagree.
void StageSequencer::DrawStage(platform::HWND hwnd, flame::FramePresenter& presenter, std::uint32_t stage) {
  assert(stage < kStageCount);
  const platform::ClientDC dc(hwnd);
  if (!dc) return;
  const flame::FlameRectangle oldPlace = presenter.FlameRect;
  presenter.PlaceFlame(hwnd, static_cast<std::int32_t>(stage));
  // The stage image covers only the taper, so where the flame moves down the top of its old place would keep
  // a frozen picture of the old flame until the relight; blackened first, the image then covers its part. A
  // flame not yet laid out has never been drawn and leaves nothing behind.
  const bool drawnBefore = oldPlace.width > 0 && oldPlace.height > 0;
  if (drawnBefore && presenter.FlameRect != oldPlace) {
    const platform::Rect stale{oldPlace.x, oldPlace.y, oldPlace.x + oldPlace.width,
                               oldPlace.y + oldPlace.height};
    platform::FillRect(dc.Get(), stale, kBlack);
  }
  DrawStageImage(hwnd, StageImageIds[stage], dc.Get());
}

// The image is drawn whole, centred and unscaled, or not at all: a window that is not strictly larger than
// the image in both directions gets none, and so does an image that cannot be read.
void StageSequencer::DrawStageImage(platform::HWND hwnd, std::uint16_t id, platform::HDC dc) {
  const std::string name = "#" + std::to_string(static_cast<std::int16_t>(id));
  const std::span<const std::uint8_t> packed =
      platform::FindResource(name.c_str(), platform::ResourceType::Bitmap);
  platform::DibView image;
  if (packed.empty() || !platform::ParsePackedDib(packed, &image)) return;
  platform::Rect client;
  if (!platform::GetClientRect(hwnd, &client)) return;
  const std::int32_t clientWidth = client.Width();
  const std::int32_t clientHeight = client.Height();
  const std::int32_t width = image.header.biWidth;
  const std::int32_t height = image.header.biHeight;
  // The flame's place on the wick is worked out from the stage images' one size without the image at hand,
  // so an image of another size would put the flame beside its wick; it is not drawn.
  if (width != flame::kStageImageWidth || height != flame::kStageImageHeight) return;
  if (width < clientWidth && height < clientHeight) {
    platform::StretchDIBits(dc, (clientWidth - width) / 2, (clientHeight - height) / 2, image);
  }
}

}  // namespace veltane::stages
