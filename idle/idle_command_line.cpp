#include "idle/idle_command_line.h"

#include <charconv>

namespace veltane::idle {
namespace {

constexpr const char* kUsage = R"(Usage: veltane-idle [--delay SECONDS]
       veltane-idle --help | --version

Runs the Veltane screen saver, 'veltane s' from this program's folder, after the
session has had no input for the delay, and ends it at the next input. It runs
for as long as the graphical session; 'systemctl --user enable --now veltane-idle'
starts it with every session.

  --delay SECONDS  the time without input, 1 to 86400 seconds; by default 300, or
                   on GNOME half of its own idle delay (Settings, Power, Screen
                   Blank) when that is under 6 minutes
  -h, --help       print this help
  --version        print the version

It learns of idle time from GNOME's idle monitor on the session bus, else from the
Wayland compositor (ext_idle_notifier_v1 or org_kde_kwin_idle), else from the X
server's IDLETIME counter. Applications that inhibit idle hold the saver back.
)";

// A control character in an argument would break the one line, so it shows as '?'.
std::string Shown(const std::string& argument) {
  std::string shown = argument;
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return shown;
}

std::optional<std::chrono::seconds> ReadDelay(const std::string& text) {
  long long seconds = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, seconds);
  if (text.empty() || error != std::errc() || stop != end || seconds < 1 || seconds > kLongestDelay.count()) {
    return std::nullopt;
  }
  return std::chrono::seconds(seconds);
}

IdleCommandLine Misuse(std::string problem) {
  return {.action = IdleCommandLine::Action::Misuse, .problem = std::move(problem)};
}

}  // namespace

IdleCommandLine ParseIdleCommandLine(std::span<const std::string> arguments) {
  IdleCommandLine result;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") return {.action = IdleCommandLine::Action::Help};
    if (argument == "--version") return {.action = IdleCommandLine::Action::Version};
    std::string value;
    if (argument == "--delay") {
      if (i + 1 == arguments.size()) return Misuse("--delay needs a number of seconds");
      value = arguments[++i];
    } else if (argument.starts_with("--delay=")) {
      value = argument.substr(8);
    } else {
      return Misuse("\"" + Shown(argument) + "\" is not an option; try 'veltane-idle --help'");
    }
    result.delay = ReadDelay(value);
    if (!result.delay)
      return Misuse("the delay \"" + Shown(value) + "\" is not a whole number of seconds from 1 to 86400");
  }
  return result;
}

void PrintIdleUsage(std::FILE* out) { std::fputs(kUsage, out); }

void PrintIdleVersion(std::FILE* out) { std::fputs("veltane-idle " VELTANE_VERSION "\n", out); }

}  // namespace veltane::idle
