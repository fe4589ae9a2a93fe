#include "tests/install/installed_program.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace veltane::test {


std::string InstallPrefix() {
  const char* prefix = std::getenv("VELTANE_INSTALL_PREFIX");
  return prefix != nullptr ? prefix : "";
}

pid_t StartThroughShell(const std::string& command, const std::map<std::string, std::string>& environment) {
  // The child may only make async-signal-safe calls, so its environment is built before the fork.
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const auto equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : environment) merged[name] = value;
  std::vector<std::string> entries;
  for (const auto& [name, value] : merged) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string shellCommand = command;
  char shell[] = "/bin/sh";
  char dashC[] = "-c";
  char* argv[] = {shell, dashC, shellCommand.data(), nullptr};

  const pid_t pid = fork();
  if (pid == 0) {
    execve(shell, argv, envp.data());
    _exit(127);
  }
  return pid;
}

std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
  std::optional<int> status;
  WaitUntil(
      [&] {
        int raw = 0;
        if (waitpid(pid, &raw, WNOHANG) == pid) status = raw;
        return status.has_value();
      },
      timeout);
  return status;
}

void KillAndReap(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace veltane::test
