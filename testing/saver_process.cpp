#include "testing/saver_process.h"

namespace veltane::test {
namespace {

std::vector<std::string> Command(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{program.empty() ? VELTANE_BINARY : program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

ChildProcess::Options Environment(const std::string& display, const std::string& configHome,
                                  const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment{"DISPLAY=" + display, "XDG_CONFIG_HOME=" + configHome,
                                       "HOME=" + configHome, "PATH=/usr/bin:/bin"};
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  return {.environment = environment, .keepErrors = true};
}

}  // namespace

SaverProcess::SaverProcess(const std::vector<std::string>& arguments, const std::string& display,
                           const std::string& configHome, const std::vector<std::string>& extraEnvironment,
                           const std::string& program)
    : ChildProcess(Command(program, arguments), Environment(display, configHome, extraEnvironment)) {}

}  // namespace veltane::test
