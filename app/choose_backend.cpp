#include "app/choose_backend.h"

#include <cstdio>
#include <memory>

#include "platform/backend.h"
#include "platform/wayland/wayland_backend.h"
#include "platform/x11/x11_backend.h"

namespace veltane::app {

namespace {

// A second full-screen saver on a display that shows one already ends at once, as if it had run.
std::optional<int> Use(std::unique_ptr<platform::Backend> backend, SaverMode mode) {
  if (mode == SaverMode::FullScreen && !backend->ClaimFullScreen()) return 0;
  platform::SetBackend(std::move(backend));
  return std::nullopt;
}

}  // namespace

std::optional<int> ChooseBackend(SaverMode mode) {
  if (mode == SaverMode::FullScreen) {
    platform::WaylandConnection wayland = platform::ConnectWayland();
    if (wayland.backend) return Use(std::move(wayland.backend), mode);
    if (!wayland.problem.empty()) {
      std::fprintf(stderr, "%s\n", wayland.problem.c_str());
      return 1;
    }
  }
  auto x11 = platform::CreateX11Backend();
  if (!x11) {
    // Without an X display there is no host window to preview in: nothing to show, as for a host that
    // does not exist.
    if (mode == SaverMode::Preview) return 0;
    std::fputs("veltane: cannot open the X display\n", stderr);
    return 1;
  }
  return Use(std::move(x11), mode);
}

}  // namespace veltane::app
