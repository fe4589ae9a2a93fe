#include "saver/saver_wnd.h"

#include "platform/platform.h"

namespace veltane::saver {

using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

SaverWnd::SaverWnd(const FlameWndOptions& options) : FlameWnd(true, options) {}

SaverWnd::~SaverWnd() = default;

bool SaverWnd::CreateFullScreen() {
  const std::int32_t width = platform::GetSystemMetrics(platform::SM_CXSCREEN);
  const std::int32_t height = platform::GetSystemMetrics(platform::SM_CYSCREEN);
  return CreateFlameWindow(platform::WS_EX_TOPMOST, platform::WS_POPUP | platform::WS_VISIBLE,
                           platform::Rect{0, 0, width, height}, 0, 0, nullptr);
}

// The user's input sets the flag at once, so that the run loop ends before the close request arrives.
void SaverWnd::CloseNow() {
  QuitFlag = 1;
  PostMessage(platform::WM_CLOSE, 0, 0);
}

// The host's own screen-saver and close commands must not end or restart the saver. The whole value is
// compared: a command with any of its low bits set is another command.
LRESULT SaverWnd::OnSysCommand(WPARAM command, LPARAM /*lParam*/) {
  if (command == platform::SC_SCREENSAVE || command == platform::SC_CLOSE) return 0;
  return Default();
}

LRESULT SaverWnd::OnDestroy() {
  QuitFlag = 1;
  return Default();
}

LRESULT SaverWnd::OnSetCursor(WPARAM /*hwnd*/, LPARAM /*hitTestAndMessage*/) {
  platform::SetCursor(0);
  return platform::TRUE;
}

LRESULT SaverWnd::OnNcActivate(WPARAM active) {
  if (active == 0) return platform::FALSE;
  return Default();
}

// Losing the activation only asks for the close; the close handler sets the flag.
LRESULT SaverWnd::OnActivate(WPARAM state, LPARAM /*other*/) {
  if (platform::LOWORD(state) == platform::WA_INACTIVE) PostMessage(platform::WM_CLOSE, 0, 0);
  return Default();
}

LRESULT SaverWnd::OnActivateApp(WPARAM active, LPARAM /*thread*/) {
  if (active == 0) PostMessage(platform::WM_CLOSE, 0, 0);
  return Default();
}

// The first position is only recorded, wherever it is: a window that appears under the pointer reports
// one. Any later position that differs by a pixel closes the saver.
LRESULT SaverWnd::OnMouseMove(WPARAM /*keys*/, LPARAM position) {
  const MousePosition now{static_cast<std::int16_t>(platform::LOWORD(static_cast<std::uintptr_t>(position))),
                          static_cast<std::int16_t>(platform::HIWORD(static_cast<std::uintptr_t>(position)))};
  if (MouseOrigin == MousePosition{}) {
    MouseOrigin = now;
  } else if (now != MouseOrigin) {
    CloseNow();
  }
  return Default();
}

LRESULT SaverWnd::OnButtonDown(UINT message, WPARAM /*keys*/, LPARAM /*position*/) {
  if (message == platform::WM_LBUTTONDOWN || message == platform::WM_MBUTTONDOWN ||
      message == platform::WM_RBUTTONDOWN) {
    CloseNow();
  }
  return Default();
}

LRESULT SaverWnd::OnKeyDown(UINT message, WPARAM /*key*/, LPARAM /*flags*/) {
  if (message == platform::WM_KEYDOWN || message == platform::WM_SYSKEYDOWN) CloseNow();
  return Default();
}

}  // namespace veltane::saver
