#pragma once
// A private virtual X server for a test: Xvfb (or Xephyr inside another server) on a display number that
// it picks itself, ready for connections when the constructor returns, and gone when the object is.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "testing/child_process.h"

namespace veltane::test {

class XvfbServer {
 public:
  struct Options {
    int width = 640;
    int height = 480;
    int depth = 24;
    // Further server arguments, as {"-extension", "MIT-SHM"} to take an extension away.
    std::vector<std::string> extraArguments = {};
    // Runs Xephyr in this display instead of Xvfb; its screens then come from extraArguments alone, as
    // {"-screen", "800x600", "-screen", "640x480", "+xinerama"} for two monitors.
    std::string nestedIn = {};
  };

  XvfbServer() : XvfbServer(Options{}) {}
  explicit XvfbServer(const Options& options);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // False when the server could not be started in time; Error() then says why.
  bool Running() const { return m_server != nullptr; }
  const std::string& Error() const { return m_error; }
  // The display name to connect to, as ":5"; empty when the server is not running.
  const std::string& DisplayName() const { return m_displayName; }
  // The server's process id; -1 when it is not running.
  pid_t Pid() const { return m_server != nullptr ? m_server->Pid() : -1; }
  // Stops the server now (the destructor does it otherwise); clients then lose their connection.
  void Stop();

 private:
  bool Start(const Options& options);
  bool WaitForDisplayNumber(int readFd);
  bool WaitForSocket();

  std::unique_ptr<ChildProcess> m_server;
  std::string m_displayName;
  std::string m_error;
};

}  // namespace veltane::test
