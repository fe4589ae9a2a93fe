#pragma once
// The real veltane program, as the build made it, run as a child process against a private X server or
// compositor for the end-to-end tests and the benchmarks, with a settings folder of the caller's choosing.

#include <string>
#include <vector>

#include "testing/child_process.h"

namespace veltane::test {

class SaverProcess : public ChildProcess {
 public:
  // Starts the program with arguments (without its name) on display (none when empty), with configHome as
  // its settings home and its home, and further environment entries ("NAME=value") where a test needs them.
  // Its standard error is kept for ErrorOutput(). A test may name a program of its own that stands for it.
  SaverProcess(const std::vector<std::string>& arguments, const std::string& display,
               const std::string& configHome, const std::vector<std::string>& extraEnvironment = {},
               const std::string& program = {});
};

}  // namespace veltane::test
