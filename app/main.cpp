// The program's entry: picks the backend for the window modes and runs the application object.

#include <csignal>
#include <string>
#include <vector>

#include "app/choose_backend.h"
#include "app/command_line.h"
#include "app/saver_app.h"

int main(int argc, char** argv) {
  using veltane::app::SaverMode;

  // A host stops the saver with SIGTERM and expects it gone at once. A parent may have left the signal
  // ignored; the default action ends the process, and the server then releases the grabs with the
  // connection.
  std::signal(SIGTERM, SIG_DFL);

  std::vector<std::string> arguments(argv, argv + argc);
  const SaverMode mode = veltane::app::SelectMode(arguments);
  if (mode == SaverMode::Preview || mode == SaverMode::RootWindow || mode == SaverMode::FullScreen) {
    if (const auto exitCode = veltane::app::ChooseBackend(mode)) return *exitCode;
  }

  veltane::app::SaverApp app(std::move(arguments));
  return app.Run();
}
