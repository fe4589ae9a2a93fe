#pragma once
// The handful of window-system types and message numbers that the saver is written against.
// They keep the numbers of the original window system, so the code reads like the behaviour it implements.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace veltane::platform {

using HWND = std::uint32_t;      // An X window id; 0 names no window.
using HDC = std::uintptr_t;      // A client-area drawing context; 0 is none.
using HCURSOR = std::uintptr_t;  // 0 is "no cursor".
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The part that both cover; an empty rectangle where they do not meet.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
  const Rect common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
  return common.IsEmpty() ? Rect{} : common;
}

// The smallest rectangle that holds both; an empty one adds nothing.
constexpr Rect Union(const Rect& a, const Rect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// The rectangle of width by height pixels whose top-left corner is at (x, y), with every edge held to the
// coordinates a Rect can carry, so that a bitmap placed far out never wraps round onto the window.
constexpr Rect RectAt(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
  const auto held = [](std::int64_t value) {
    using Limits = std::numeric_limits<std::int32_t>;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, Limits::min(), Limits::max()));
  };
  return Rect{held(x), held(y), held(x + width), held(y + height)};
}

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Msg {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  friend bool operator==(const Msg&, const Msg&) = default;
};

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_USER = 0x0400;

// A window destroyed by somebody else (the preview host destroyed its window). Dispatching it runs the
// destruction sequence of the window it names. Private to the platform layer; the number is out of the
// range that applications use.
constexpr UINT WM_PLATFORM_DESTROYED = 0x7FF0;

// The button and modifier flags of a mouse message's wParam.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr std::int32_t WHEEL_DELTA = 120;
// A key message's lParam: the repeat count in the low bits, and the context bit that is set when Alt is
// held, which is what makes it a system key.
constexpr LPARAM KEY_REPEAT_ONCE = 1;
constexpr LPARAM KEY_CONTEXT_ALT = LPARAM{1} << 29;
constexpr WPARAM VK_MENU = 0x12;  // Alt.

constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM WA_CLICKACTIVE = 2;

constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

constexpr LRESULT TRUE = 1;
constexpr LRESULT FALSE = 0;

constexpr std::uint16_t LOWORD(std::uintptr_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }
constexpr std::uint16_t HIWORD(std::uintptr_t value) {
  return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(std::int32_t low, std::int32_t high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(low) & 0xFFFF) |
                             ((static_cast<std::uint32_t>(high) & 0xFFFF) << 16));
}

}  // namespace veltane::platform
