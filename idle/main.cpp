// The watcher's entry: the command line, the saver beside this program, and the watcher's loop.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "idle/idle_command_line.h"
#include "idle/idle_watcher.h"

int main(int argc, char** argv) {
  using veltane::idle::IdleCommandLine;

  const std::vector<std::string> arguments(argv, argv + argc);
  const IdleCommandLine command = veltane::idle::ParseIdleCommandLine(arguments);
  switch (command.action) {
    case IdleCommandLine::Action::Help: veltane::idle::PrintIdleUsage(stdout); return 0;
    case IdleCommandLine::Action::Version: veltane::idle::PrintIdleVersion(stdout); return 0;
    case IdleCommandLine::Action::Misuse:
      std::fprintf(stderr, "veltane-idle: %s\n", command.problem.c_str());
      return veltane::idle::kMisuseExitCode;
    case IdleCommandLine::Action::Run: break;
  }

  // The saver of the same installation, whatever the PATH says.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::string saver = (self.parent_path() / "veltane").string();
  if (error || access(saver.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "veltane-idle: no saver to run at %s\n", saver.c_str());
    return veltane::idle::kNoSessionExitCode;
  }
  veltane::idle::IdleWatcher watcher(saver);
  return watcher.Run(command.delay);
}
