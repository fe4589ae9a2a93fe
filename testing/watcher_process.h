#pragma once
// The real veltane-idle, as the build made it beside the saver that it runs, as a child process of a test in
// the environment that a session would give it.

#include <sys/types.h>

#include <string>
#include <vector>

#include "testing/child_process.h"

namespace veltane::test {

class WatcherProcess : public ChildProcess {
 public:
  // Starts it with arguments (without its name) and the session's variables ("NAME=value"), with configHome
  // as the saver's settings home and home. Its standard error is kept for ErrorOutput().
  WatcherProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& session,
                 const std::string& configHome);

  // The savers that it runs now: none, or one.
  std::vector<pid_t> Savers();
};

}  // namespace veltane::test
