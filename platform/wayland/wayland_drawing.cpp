// Drawing goes into the window's own picture and never waits on the compositor; what was drawn is committed
// once the compositor has asked for the next frame, so that it gets one picture a refresh, the newest,
// and none while the surface is not shown.

#include <cerrno>

#include "platform/system_time.h"
#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform::wayland {

namespace {

constexpr wl_callback_listener kFrameListener{
    [](void* data, wl_callback* callback, std::uint32_t) {
      auto* shell = static_cast<ShellSurface*>(data);
      wl_callback_destroy(callback);
      shell->frame = nullptr;
      shell->backend->OnFrameDone(*shell);
    },
};

}  // namespace

RefreshPacer WaylandBackend::MakePacer() const {
  return m_everyFrame ? RefreshPacer(&SystemMicroseconds, 0) : RefreshPacer();
}

void WaylandBackend::OnFrameDone(ShellSurface& shell) {
  const auto found = m_windows.find(shell.owner);
  if (found != m_windows.end()) found->second.pacer.Refreshed();
}

void WaylandBackend::PresentDue() {
  for (auto& entry : m_windows) Present(entry.second, false);
}

void WaylandBackend::Present(OurWindow& window, bool now) {
  ShellSurface& shell = *window.main;
  if (!shell.configured || !(now || window.pacer.Due())) return;
  if (!shell.buffers->Attach(shell.surface, window.picture, window.pacer.Damage())) return;
  // Told with the first buffer drawn at it, so that the compositor enlarges nothing of ours.
  if (shell.committedScale != shell.bufferScale) {
    wl_surface_set_buffer_scale(shell.surface, shell.bufferScale);
    shell.committedScale = shell.bufferScale;
  }
  // A commit made at once, while the compositor has yet to call the last one's frame done, waits for that.
  if (!m_everyFrame && shell.frame == nullptr) {
    shell.frame = wl_surface_frame(shell.surface);
    wl_callback_add_listener(shell.frame, &kFrameListener, &shell);
  }
  wl_surface_commit(shell.surface);
  window.pacer.Sent();
  if (wl_display_flush(m_display) < 0 && errno != EAGAIN) ConnectionLost();
}

HDC WaylandBackend::GetDC(HWND hwnd) { return m_windows.contains(hwnd) ? static_cast<HDC>(hwnd) : 0; }

void WaylandBackend::ReleaseDC(HWND, HDC) {}

void WaylandBackend::FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  const auto found = m_windows.find(static_cast<HWND>(dc));
  if (found == m_windows.end()) return;
  OurWindow& window = found->second;
  window.pacer.Damage(window.picture.Fill(rect, rgb));
}

void WaylandBackend::DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  const auto found = m_windows.find(static_cast<HWND>(dc));
  if (found == m_windows.end()) return;
  OurWindow& window = found->second;
  window.pacer.Damage(window.picture.Draw(x, y, dib));
}

}  // namespace veltane::platform::wayland
