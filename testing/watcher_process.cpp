#include "testing/watcher_process.h"

#include "testing/process_list.h"

namespace veltane::test {
namespace {

std::vector<std::string> Command(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{VELTANE_IDLE_BINARY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

ChildProcess::Options Environment(std::vector<std::string> session, const std::string& configHome) {
  session.insert(session.end(),
                 {"XDG_CONFIG_HOME=" + configHome, "HOME=" + configHome, "PATH=/usr/bin:/bin"});
  return {.environment = session, .keepErrors = true};
}

}  // namespace

WatcherProcess::WatcherProcess(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& session, const std::string& configHome)
    : ChildProcess(Command(arguments), Environment(session, configHome)) {}

std::vector<pid_t> WatcherProcess::Savers() { return ChildrenNamed(Pid(), "veltane"); }

}  // namespace veltane::test
