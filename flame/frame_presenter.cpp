#include "flame/frame_presenter.h"

#include <cassert>
#include <span>

#include "flame/heat_field.h"
#include "platform/platform.h"

namespace veltane::flame {
namespace {

// From this client height on the flame always stands on the wick of the centred stage image.
constexpr std::int32_t kLargeWindowHeight = 300;

}  // namespace

void FramePresenter::PlaceFlame(platform::HWND hwnd, std::int32_t stage) {
  assert(stage >= 0 && stage < static_cast<std::int32_t>(StageFlameOffsets.size()));
  platform::Rect client;
  platform::GetClientRect(hwnd, &client);
  const std::int32_t width = client.Width();
  const std::int32_t height = client.Height();
  // A window too low for the large-window rule but wide and high enough for the taper still shows the flame
  // on its wick; only where no stage image is drawn is the flame all there is, and then it is centred.
  const bool taperShown = width > kStageImageWidth && height > kStageImageHeight;
  if (height >= kLargeWindowHeight || taperShown) {
    FlameRect.x = (width - FlameRect.width) / 2 - 1;
    FlameRect.y = (height - FlameRect.height) / 2 - StageFlameOffsets[static_cast<std::size_t>(stage)];
  } else {
    FlameRect.x = (width - FlameRect.width) / 2;
    FlameRect.y = (height - FlameRect.height) / 2;
  }
}

void FramePresenter::LayoutFlame(platform::HWND hwnd) {
  FlameRect.width = kImageWidth;
  FlameRect.height = kImageHeight;
  PlaceFlame(hwnd, 0);
  FlameHeader = platform::BitmapInfoHeader{};
  FlameHeader.biSize = sizeof(platform::BitmapInfoHeader);
  FlameHeader.biWidth = kImageWidth;
  FlameHeader.biHeight = kImageHeight;
  FlameHeader.biPlanes = 1;
  FlameHeader.biBitCount = 24;
  FlameHeader.biCompression = platform::BI_RGB;
}

void FramePresenter::DrawFlame(platform::HWND hwnd, const std::uint8_t* frontImage) const {
  const platform::HDC dc = platform::GetDC(hwnd);
  if (dc == 0) return;
  const std::span<const std::uint8_t> pixels(frontImage, static_cast<std::size_t>(kImageSize));
  const platform::DibView image{FlameHeader, {}, pixels};
  platform::StretchDIBits(dc, FlameRect.x, FlameRect.y, image);
  platform::ReleaseDC(hwnd, dc);
}

void FramePresenter::PresentFrame(platform::HWND hwnd, const std::uint8_t* frontImage, bool quitFlag) const {
  if (platform::IsWindow(hwnd) && !quitFlag) DrawFlame(hwnd, frontImage);
}

}  // namespace veltane::flame
