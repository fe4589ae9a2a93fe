#pragma once
// Runs the installed program as a host runs it: through /bin/sh, in an environment of the host's making,
// with bounded waits for what it does.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "testing/wait_until.h"

namespace veltane::test {

// The prefix that the install fixture installed into, from $VELTANE_INSTALL_PREFIX; empty without one.
std::string InstallPrefix();

// Starts "/bin/sh -c <command>" with the given variables added to (or replacing those of) this process's
// environment. Returns the shell's process id, or -1 when it could not be started.
pid_t StartThroughShell(const std::string& command, const std::map<std::string, std::string>& environment);

// The raw wait status once the process has ended within the timeout; nothing if it is still running.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout);

// Kills and reaps a process that a failed test left running; nothing for -1.
void KillAndReap(pid_t pid);

}  // namespace veltane::test
