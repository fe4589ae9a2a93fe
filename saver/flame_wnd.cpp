#include "saver/flame_wnd.h"

#include "settings/run_settings.h"
#include "settings/settings_store.h"
#include "platform/client_dc.h"
#include "platform/platform.h"

namespace veltane::saver {

using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

namespace {

constexpr std::uint32_t kBlack = 0x000000;

}  // namespace

FlameWnd::FlameWnd(bool autoDelete) : AutoDelete(autoDelete ? 1 : 0) {}

FlameWnd::~FlameWnd() = default;

bool FlameWnd::CreateFlameWindow(std::uint32_t exStyle, std::uint32_t style, const platform::Rect& rect,
                                 platform::HWND parent, std::uint32_t /*childId*/, void* /*context*/) {
  return CreateEx(exStyle, style, rect, parent);
}

// Every message of this window passes here first. The object must outlive all of its handlers that are
// still running, above all the start message's, which runs the whole animation and dispatches the
// messages that destroy the window; so a deletion asked for by the final destruction waits until the
// outermost handler has returned.
LRESULT FlameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  ++m_dispatchDepth;
  const LRESULT result = Wnd::WindowProc(message, wParam, lParam);
  --m_dispatchDepth;
  if (m_dispatchDepth == 0 && m_finallyDestroyed && AutoDelete != 0) delete this;
  return result;
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

// The flag comes first, so that the run loop stops even when the request comes from outside the program.
LRESULT FlameWnd::OnClose() {
  QuitFlag = 1;
  return Default();
}

LRESULT FlameWnd::OnUserMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == StartMessage) return OnStartMessage(wParam, lParam);
  return Wnd::OnUserMessage(message, wParam, lParam);
}

void FlameWnd::PostNcDestroy() {
  m_finallyDestroyed = true;
  // Outside any handler (a creation that the window system refused) nothing of this object runs any more.
  if (m_dispatchDepth == 0 && AutoDelete != 0) delete this;
}

void FlameWnd::LoadSettings() {
  const settings::RunSettings settings = settings::LoadRunSettings(settings::ApplicationSettings());
  DelayOn = settings.DelayOn;
  DelayTime = settings.DelayTime;
  StagePeriod = settings.StagePeriod;
}

}  // namespace veltane::saver
