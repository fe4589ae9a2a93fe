// The full-screen saver as `veltane s` runs it, but on the full-screen toplevel that compositors without
// the layer shell give it, so that the end-to-end test can try that on sway, which offers both.

#include <cstdio>

#include "app/saver_app.h"
#include "platform/backend.h"
#include "platform/wayland/wayland_backend.h"

int main() {
  using namespace veltane;
  platform::WaylandConnection wayland = platform::ConnectWayland({.ignoreLayerShell = true});
  if (!wayland.backend) {
    std::fprintf(stderr, "no usable compositor: %s\n", wayland.problem.c_str());
    return 1;
  }
  platform::SetBackend(std::move(wayland.backend));
  app::SaverApp app({"veltane", "s"});
  return app.Run();
}
