#include "platform/window.h"

#include <cassert>
#include <unordered_map>

#include "platform/app.h"
#include "platform/backend.h"
#include "platform/platform.h"

namespace veltane::platform {
namespace {

constexpr LRESULT kCreateFailed = -1;
constexpr WPARAM kSysCommandMask = 0xFFF0;
constexpr WPARAM kSizeRestored = 0;
constexpr int kClassCursorId = 129;

constexpr std::uintptr_t Bits(LPARAM lParam) { return static_cast<std::uintptr_t>(lParam); }

std::unordered_map<HWND, Wnd*>& HandleMap() {
  static std::unordered_map<HWND, Wnd*> map;
  return map;
}

}  // namespace

// An object deleted while still bound to a window (its owner never destroyed the window) unbinds itself,
// so that no later message can reach it, and takes its native window with it.
Wnd::~Wnd() {
  // A handler of this object still running would touch it again on its way out: such an object is deleted
  // through DeleteWhenIdle.
  assert(m_dispatchDepth == 0);
  if (m_hWnd == 0) return;
  const HWND hwnd = m_hWnd;
  Detach();
  ValidateWindow(hwnd);
  if (HasBackend()) CurrentBackend().DestroyNativeWindow(hwnd);
}

Wnd* Wnd::FromHandlePermanent(HWND hwnd) {
  const auto found = HandleMap().find(hwnd);
  return found == HandleMap().end() ? nullptr : found->second;
}

bool Wnd::CreateEx(std::uint32_t exStyle, std::uint32_t style, const Rect& rect, HWND parent) {
  assert(m_hWnd == 0);
  const bool visible = (style & WS_VISIBLE) != 0;
  Backend& backend = CurrentBackend();
  const HWND hwnd = (parent == 0 && (exStyle & WS_EX_TOPMOST) != 0)
                        ? backend.CreateTopmostWindow(rect, visible)
                        : backend.CreateChildWindow(parent, rect, visible);
  if (hwnd == 0) {
    PostNcDestroy();
    return false;
  }
  Attach(hwnd);
  m_destroying = false;
  m_nativeGone = false;
  if (WindowProc(WM_CREATE, 0, 0) == kCreateFailed) {
    DestroyWindow();
    return false;
  }
  const Rect client = GetClientRect();
  WindowProc(WM_SIZE, kSizeRestored, MAKELPARAM(client.Width(), client.Height()));
  if (visible) InvalidateWindow(hwnd);
  return true;
}

// The object may be deleted on the way out of WM_NCDESTROY, so nothing here touches it after that.
bool Wnd::DestroyWindow() {
  if (m_hWnd == 0 || m_destroying) return false;
  m_destroying = true;
  WindowProc(WM_DESTROY, 0, 0);
  WindowProc(WM_NCDESTROY, 0, 0);
  return true;
}

void Wnd::DeleteWhenIdle() {
  if (m_dispatchDepth == 0) {
    delete this;
  } else {
    m_deletePending = true;
  }
}

void Wnd::OnNativeDestroyed() {
  m_nativeGone = true;
  DestroyWindow();
}

bool Wnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::PostMessage(m_hWnd, message, wParam, lParam);
}

Rect Wnd::GetClientRect() const {
  Rect rect;
  platform::GetClientRect(m_hWnd, &rect);
  return rect;
}

// A handler may end the window (WM_CLOSE's default processing destroys it) and its final hook may ask for the
// object's deletion; that deletion waits until the outermost handler of the object is done.
LRESULT Wnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const CurrentMessage outer = m_current;
  ++m_dispatchDepth;
  m_current = CurrentMessage{message, wParam, lParam};
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE: result = OnCreate(); break;
    case WM_PAINT: result = OnPaint(); break;
    case WM_SIZE: result = OnSize(wParam, LOWORD(Bits(lParam)), HIWORD(Bits(lParam))); break;
    case WM_CLOSE: result = OnClose(); break;
    case WM_DESTROY: result = OnDestroy(); break;
    case WM_NCDESTROY: OnNcDestroy(); break;
    case WM_SYSCOMMAND: result = OnSysCommand(wParam, lParam); break;
    case WM_SETCURSOR: result = OnSetCursor(wParam, lParam); break;
    case WM_NCACTIVATE: result = OnNcActivate(wParam); break;
    case WM_ACTIVATE: result = OnActivate(wParam, lParam); break;
    case WM_ACTIVATEAPP: result = OnActivateApp(wParam, lParam); break;
    case WM_MOUSEMOVE: result = OnMouseMove(wParam, lParam); break;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN: result = OnButtonDown(message, wParam, lParam); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: result = OnKeyDown(message, wParam, lParam); break;
    default:
      result = message >= WM_USER ? OnUserMessage(message, wParam, lParam)
                                  : DefWindowProc(message, wParam, lParam);
      break;
  }
  m_current = outer;
  if (--m_dispatchDepth == 0 && m_deletePending) delete this;
  return result;
}

LRESULT Wnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT Wnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_CLOSE: DestroyWindow(); return 0;
    case WM_PAINT:
      // Default painting paints nothing but does validate, as the window system's BeginPaint would.
      ValidateWindow(m_hWnd);
      return 0;
    case WM_SETCURSOR: platform::SetCursor(LoadCursor(kClassCursorId)); return TRUE;
    case WM_NCACTIVATE: return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & kSysCommandMask) == SC_CLOSE) platform::SendMessage(m_hWnd, WM_CLOSE, 0, 0);
      return 0;
    default: return 0;
  }
}

LRESULT Wnd::OnCreate() { return Default(); }
LRESULT Wnd::OnPaint() { return Default(); }
LRESULT Wnd::OnSize(WPARAM, std::int32_t, std::int32_t) { return Default(); }
LRESULT Wnd::OnClose() { return Default(); }
LRESULT Wnd::OnDestroy() { return Default(); }
LRESULT Wnd::OnSysCommand(WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnSetCursor(WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnNcActivate(WPARAM) { return Default(); }
LRESULT Wnd::OnActivate(WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnActivateApp(WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnMouseMove(WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnButtonDown(UINT, WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnKeyDown(UINT, WPARAM, LPARAM) { return Default(); }
LRESULT Wnd::OnUserMessage(UINT, WPARAM, LPARAM) { return Default(); }

// The framework's final steps, in the order the saver relies on: the quit message for the main window,
// default processing, unbinding, the native destroy, and last the hook, which may ask for the object's
// deletion.
void Wnd::OnNcDestroy() {
  if (WinApp* app = WinApp::Current(); app != nullptr && app->m_pMainWnd == this) {
    PostQuitMessage(0);
    app->m_pMainWnd = nullptr;
  }
  Default();
  const HWND hwnd = m_hWnd;
  const bool nativeGone = m_nativeGone;
  Detach();
  ValidateWindow(hwnd);
  if (!nativeGone) CurrentBackend().DestroyNativeWindow(hwnd);
  PostNcDestroy();
}

void Wnd::Attach(HWND hwnd) {
  assert(hwnd != 0 && FromHandlePermanent(hwnd) == nullptr);
  m_hWnd = hwnd;
  HandleMap()[hwnd] = this;
}

void Wnd::Detach() {
  if (FromHandlePermanent(m_hWnd) == this) HandleMap().erase(m_hWnd);
  m_hWnd = 0;
}

}  // namespace veltane::platform
