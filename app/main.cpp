// The program's entry: picks the X11 backend for the window modes and runs the application object.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/saver_app.h"
#include "platform/backend.h"
#include "platform/x11/x11_backend.h"

int main(int argc, char** argv) {
  using veltane::app::SaverMode;

  // A host stops the saver with SIGTERM and expects it gone at once. A parent may have left the signal
  // ignored; the default action ends the process, and the server then releases the grabs with the
  // connection.
  std::signal(SIGTERM, SIG_DFL);

  std::vector<std::string> arguments(argv, argv + argc);
  const SaverMode mode = veltane::app::SelectMode(arguments);
  if (mode == SaverMode::Preview || mode == SaverMode::FullScreen) {
    auto backend = veltane::platform::CreateX11Backend();
    if (!backend) {
      std::fputs("veltane: cannot open the X display\n", stderr);
      return 1;
    }
    veltane::platform::SetBackend(std::move(backend));
  }

  veltane::app::SaverApp app(std::move(arguments));
  return app.Run();
}
