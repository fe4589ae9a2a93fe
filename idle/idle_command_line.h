#pragma once
// The watcher's command line: the delay, or the usage and version that a user at a terminal asks for.

#include <chrono>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace veltane::idle {

// A misused command line, as for any command; no idle source, or a session that ended under the watcher.
inline constexpr int kMisuseExitCode = 2;
inline constexpr int kNoSessionExitCode = 1;
inline constexpr std::chrono::seconds kLongestDelay{24 * 60 * 60};

struct IdleCommandLine {
  enum class Action { Run, Help, Version, Misuse };
  Action action = Action::Run;
  std::optional<std::chrono::seconds> delay = std::nullopt;
  // With Misuse, the one line to show, without the program's name.
  std::string problem = {};
};

// arguments[0] is the program's name.
IdleCommandLine ParseIdleCommandLine(std::span<const std::string> arguments);
void PrintIdleUsage(std::FILE* out);
// "veltane-idle <version>".
void PrintIdleVersion(std::FILE* out);

}  // namespace veltane::idle
