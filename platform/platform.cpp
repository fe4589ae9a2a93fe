// The window, drawing, cursor and time functions of platform.h, over the current backend.

#include "platform/platform.h"

#include "platform/backend.h"

namespace veltane::platform {
namespace {

constexpr int kInvisibleCursorId = 129;
// The token that stands for the class cursor; every backend shows it as no pointer at all.
constexpr HCURSOR kInvisibleCursor = 129;

HCURSOR& CurrentCursor() {
  static HCURSOR cursor = 0;
  return cursor;
}

}  // namespace

bool IsWindow(HWND hwnd) { return hwnd != 0 && HasBackend() && CurrentBackend().NativeWindowExists(hwnd); }

bool GetClientRect(HWND hwnd, Rect* rect) {
  if (hwnd == 0 || !HasBackend()) return false;
  return CurrentBackend().ClientRect(hwnd, rect);
}

HWND GetDesktopWindow() { return HasBackend() ? CurrentBackend().DesktopWindow() : 0; }

int GetSystemMetrics(int index) {
  const Size screen = CurrentBackend().ScreenSize();
  switch (index) {
    case SM_CXSCREEN: return screen.width;
    case SM_CYSCREEN: return screen.height;
    default: return 0;
  }
}

HCURSOR LoadCursor(int resourceId) { return resourceId == kInvisibleCursorId ? kInvisibleCursor : 0; }

HCURSOR SetCursor(HCURSOR cursor) {
  const HCURSOR previous = CurrentCursor();
  CurrentCursor() = cursor;
  CurrentBackend().SetCursor(cursor);
  return previous;
}

HDC GetDC(HWND hwnd) {
  if (hwnd == 0 || !HasBackend()) return 0;
  return CurrentBackend().GetDC(hwnd);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  if (dc == 0) return 0;
  CurrentBackend().ReleaseDC(hwnd, dc);
  return 1;
}

void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  if (dc != 0) CurrentBackend().FillRect(dc, rect, rgb);
}

void StretchDIBits(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  if (dc != 0) CurrentBackend().DrawDib(dc, x, y, dib);
}

std::uint32_t GetTickCount() { return CurrentBackend().TickCount(); }

std::int64_t CalendarTime() { return CurrentBackend().CalendarTime(); }

}  // namespace veltane::platform
