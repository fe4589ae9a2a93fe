#pragma once
// Runs the installed program as a host runs it: through /bin/sh, in an environment of the host's making.

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "testing/child_process.h"

namespace veltane::test {

// Bounds on waiting, not measurements: a sanitizer build on a loaded machine starts slowly.
constexpr std::chrono::seconds kDrawTimeout{20};
constexpr std::chrono::seconds kExitTimeout{10};

// The prefix that the install fixture installed into, from $VELTANE_INSTALL_PREFIX; empty without one.
inline std::string InstallPrefix() {
  const char* prefix = std::getenv("VELTANE_INSTALL_PREFIX");
  return prefix != nullptr ? prefix : "";
}

// "/bin/sh -c <command>" with the given variables added to this process's environment, or put in place of
// those of the same names.
inline std::unique_ptr<ChildProcess> StartThroughShell(
    const std::string& command, const std::map<std::string, std::string>& environment) {
  return std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command},
                                        ChildProcess::Options{EnvironmentWith(environment)});
}

}  // namespace veltane::test
