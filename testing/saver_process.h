#pragma once
// The real veltane program run as a child process against a private X server, for the end-to-end tests and
// the benchmark: started with its own settings folder, watched for its exit, stopped when it outlives
// the test.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace veltane::test {

class SaverProcess {
 public:
  // Starts program with arguments (without the program's name) on display, settings under configHome,
  // with further environment entries ("NAME=value") where a test needs them.
  SaverProcess(const std::string& program, const std::vector<std::string>& arguments, const std::string& display,
               const std::string& configHome, const std::vector<std::string>& extraEnvironment = {});
  ~SaverProcess();
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool Started() const { return m_pid > 0; }
  pid_t Pid() const { return m_pid; }
  // The exit code once the process has ended by itself within timeout; nothing if it is still running
  // or ended through a signal (Signal() then says which).
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  bool Running();
  int Signal() const { return m_signal; }
  // Everything the process wrote to its standard error, once it has ended.
  std::string ErrorOutput();
  void Kill(int signal);

 private:
  bool Reap(bool block);

  pid_t m_pid = -1;
  int m_stderr = -1;
  bool m_ended = false;
  int m_exitCode = -1;
  int m_signal = 0;
};

}  // namespace veltane::test
