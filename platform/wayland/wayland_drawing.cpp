#include <cerrno>
#include <chrono>

#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform::wayland {

namespace {

// The compositor lets go of a buffer once it has taken the next; one that keeps them all longer than this
// has stopped showing us, and the frame is skipped.
constexpr auto kReleasePatience = std::chrono::seconds(1);

Rect Bounds(const Surface& pixels) { return Rect{0, 0, pixels.width, pixels.height}; }

}  // namespace

void FillPixels(const Surface& pixels, const Rect& rect, std::uint32_t rgb) {
  const Rect area = Intersect(rect, Bounds(pixels));
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::uint32_t* line = pixels.pixels + static_cast<std::ptrdiff_t>(row) * pixels.stride;
    std::fill(line + area.left, line + area.right, rgb);
  }
}

// A context is a buffer of the window's surface; what is drawn on it is shown, in one commit, when the last
// context taken is released.
HDC WaylandBackend::GetDC(HWND hwnd) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return 0;
  OurWindow& window = found->second;
  if (window.dcDepth == 0) {
    ShellSurface& shell = *window.main;
    window.drawing = shell.buffers->Acquire(shell.width, shell.height);
    const auto deadline = std::chrono::steady_clock::now() + kReleasePatience;
    while (window.drawing == nullptr && std::chrono::steady_clock::now() < deadline) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      Dispatch(static_cast<int>(left.count()) + 1);
      // The listeners may have taken the window away meanwhile.
      if (!m_windows.contains(hwnd)) return 0;
      window.drawing = shell.buffers->Acquire(shell.width, shell.height);
    }
    if (window.drawing == nullptr) return 0;
    window.damage = Rect{};
  }
  ++window.dcDepth;
  return static_cast<HDC>(hwnd);
}

void WaylandBackend::ReleaseDC(HWND, HDC dc) {
  const auto found = m_windows.find(static_cast<HWND>(dc));
  if (found == m_windows.end() || found->second.dcDepth == 0) return;
  OurWindow& window = found->second;
  if (--window.dcDepth > 0) return;
  window.drawing = nullptr;
  if (window.damage.IsEmpty()) return;
  window.main->buffers->Commit(window.main->surface, window.damage);
  window.damage = Rect{};
  if (wl_display_flush(m_display) < 0 && errno != EAGAIN) ConnectionLost();
}

void WaylandBackend::FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  const auto found = m_windows.find(static_cast<HWND>(dc));
  if (found == m_windows.end() || found->second.drawing == nullptr) return;
  OurWindow& window = found->second;
  FillPixels(*window.drawing, rect, rgb);
  window.damage = Union(window.damage, Intersect(rect, Bounds(*window.drawing)));
}

void WaylandBackend::DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  const auto found = m_windows.find(static_cast<HWND>(dc));
  if (found == m_windows.end() || found->second.drawing == nullptr) return;
  OurWindow& window = found->second;
  const BitmapInfoHeader& header = dib.header;
  if (header.biWidth <= 0 || header.biHeight <= 0) return;
  BlitDib(dib, x, y, *window.drawing);
  const Rect drawn = RectAt(x, y, header.biWidth, header.biHeight);
  window.damage = Union(window.damage, Intersect(drawn, Bounds(*window.drawing)));
}

}  // namespace veltane::platform::wayland
