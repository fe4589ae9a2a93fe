#include "saver/flame_wnd.h"

#include "platform/client_dc.h"
#include "platform/platform.h"
#include "settings/run_settings.h"
#include "settings/settings_store.h"

namespace veltane::saver {

using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

namespace {

constexpr std::uint32_t kBlack = 0x000000;

}  // namespace

FlameWnd::FlameWnd(bool autoDelete, const FlameWndOptions& options)
    : Field(options.imageBuffers), AutoDelete(autoDelete ? 1 : 0), m_pacing(options.pacing) {}

FlameWnd::~FlameWnd() = default;

bool FlameWnd::CreateFlameWindow(std::uint32_t exStyle, std::uint32_t style, const platform::Rect& rect,
                                 platform::HWND parent, std::uint32_t /*childId*/, void* /*context*/) {
  return CreateEx(exStyle, style, rect, parent);
}

LRESULT FlameWnd::OnCreate() {
  Default();
  PostMessage(StartMessage, 0, 0);
  return 0;
}

// The first paint blackens the client area and shows stage 0. No paint validates the window, so a paint
// request stays waiting and the run loop's message step always finds one.
LRESULT FlameWnd::OnPaint() {
  if (FirstPaint == 0) return 0;
  {
    platform::ClientDC dc(m_hWnd);
    if (dc) platform::FillRect(dc.Get(), GetClientRect(), kBlack);
  }
  Stages.AdvanceStage(m_hWnd, Presenter);
  FirstPaint = 0;
  return 0;
}

// A window whose size changes once it has been painted (a preview whose host grows or shrinks) is painted
// again as at its first paint, with the stage it shows: black, then the stage image centred anew and the
// flame moved onto its wick, so that no part of the old picture or of the host's window stays in view. The
// run loop draws the flame at its new place in the next frame.
LRESULT FlameWnd::OnSize(WPARAM /*type*/, std::int32_t /*width*/, std::int32_t /*height*/) {
  if (FirstPaint == 0) {
    {
      platform::ClientDC dc(m_hWnd);
      if (dc) platform::FillRect(dc.Get(), GetClientRect(), kBlack);
    }
    Stages.RedrawStage(m_hWnd, Presenter);
  }
  return Default();
}

// The flag comes first, so that the run loop stops even when the request comes from outside the program.
LRESULT FlameWnd::OnClose() {
  QuitFlag = 1;
  return Default();
}

LRESULT FlameWnd::OnUserMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == StartMessage) return OnStartMessage(wParam, lParam);
  return Wnd::OnUserMessage(message, wParam, lParam);
}

// The run loop runs inside the start message's handler and dispatches the messages that destroy the window,
// so the deletion waits for it: the loop reads m_finallyDestroyed after every message step and then ends.
void FlameWnd::PostNcDestroy() {
  m_finallyDestroyed = true;
  if (AutoDelete != 0) DeleteWhenIdle();
}

void FlameWnd::LoadSettings() {
  const settings::RunSettings settings = settings::LoadRunSettings(settings::ApplicationSettings());
  DelayOn = settings.DelayOn;
  DelayTime = settings.DelayTime;
  StagePeriod = settings.StagePeriod;
}

}  // namespace veltane::saver
