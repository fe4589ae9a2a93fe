#pragma once
// A process that a test or a benchmark starts: given an environment of its own, killed when the process
// that started it dies (so that a crashed test leaves no server or saver behind), watched for its end with
// bounded waits, and killed when the object goes if it still runs then.

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltane::test {

class ChildProcess {
 public:
  struct Options {
    // The whole environment, as "NAME=value" entries.
    std::vector<std::string> environment;
    // A file that its standard output and error are appended to; empty: they are this process's.
    std::string output = {};
    // Its standard error kept for ErrorOutput() instead.
    bool keepErrors = false;
    // A descriptor of this process that it keeps open; -1 for none.
    int inheritedFd = -1;
  };

  // argv[0] is looked for on the PATH unless it names a file. Its standard input is /dev/null.
  ChildProcess(const std::vector<std::string>& argv, const Options& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return m_pid > 0; }
  pid_t Pid() const { return m_pid; }
  bool Running();
  // Whether it is found waiting in the kernel, not running, at every look over span (one look every 10 ms):
  // a process that has nothing to do sleeps, a busy one does not.
  bool SleepsThroughout(std::chrono::milliseconds span);
  // The exit code once the process has ended by itself within timeout; nothing if it is still running
  // or ended through a signal (Signal() then says which).
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  int Signal() const { return m_signal; }
  // What it has written to its standard error so far, with keepErrors.
  std::string ErrorOutput();
  void Kill(int signal);
  // Sends signal, and SIGKILL when the process has not ended within timeout.
  void Stop(int signal = SIGTERM, std::chrono::milliseconds timeout = std::chrono::seconds(5));

 private:
  bool Reap(bool block);

  pid_t m_pid = -1;
  int m_errors = -1;
  bool m_ended = false;
  int m_exitCode = -1;
  int m_signal = 0;
};

// This process's environment with the given variables set to new values; an empty value removes one.
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes);

}  // namespace veltane::test
