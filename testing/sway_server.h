#pragma once
// A private headless compositor for a test: sway on the headless backend with the pixman renderer, its
// own runtime folder (so that no other client finds it by the default socket), ready for clients when
// the constructor returns, and gone when the object is. It refuses to run as root; the tests that use it
// run through tests/support/as-ordinary-user.sh.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/temp_dir.h"

namespace veltane::test {

struct Screenshot {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row 0 at the top.
  std::uint32_t At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

class SwayServer {
 public:
  // The first output, HEADLESS-1, is 640 x 480 at the origin; those made with AddOutput, HEADLESS-2 and
  // HEADLESS-3, are 320 x 240 each, in a row to its right.
  SwayServer();
  ~SwayServer();
  SwayServer(const SwayServer&) = delete;
  SwayServer& operator=(const SwayServer&) = delete;

  bool Running() const { return m_sway != nullptr; }
  const std::string& Error() const { return m_error; }
  pid_t Pid() const { return m_sway != nullptr ? m_sway->Pid() : -1; }
  // What a client needs in its environment to find this compositor and no other.
  std::vector<std::string> ClientEnvironment() const;
  // Puts that into this process's own environment, for the clients that it runs itself.
  void ExportClientEnvironment() const;
  // Runs a client tool (swaymsg, grim, wtype) to its end; its exit status, or -1 when it failed to run
  // or did not end within the timeout.
  int RunTool(const std::vector<std::string>& argv,
              std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The same in two halves, for a tool that must run while the test goes on; -1 from FinishTool for none.
  std::unique_ptr<ChildProcess> StartTool(const std::vector<std::string>& argv);
  static int FinishTool(const std::unique_ptr<ChildProcess>& tool,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Reads one output back through grim; false when grim fails.
  bool Capture(const std::string& output, Screenshot* shot);
  // Gives the seat a pointer device, which the headless backend lacks, so that "swaymsg seat - cursor"
  // reaches clients. The device lasts as long as the server.
  bool AddPointer();
  // Gives the seat a keyboard, which the headless backend lacks too, so that surfaces are given the keyboard
  // focus as on a desktop. It lasts as long as the server.
  bool AddKeyboard();
  bool AddOutput();
  // Stops the compositor now (the destructor does it otherwise); clients then lose their connection.
  void Stop(int signal = SIGTERM);

 private:
  struct PointerClient;
  bool Start();
  bool WaitForSockets();
  std::vector<std::string> ToolEnvironment() const;

  TempDir m_runtimeDir{"veltane-sway."};
  std::unique_ptr<ChildProcess> m_sway;
  std::string m_waylandDisplay;
  std::string m_ipcSocket;
  std::string m_error;
  std::unique_ptr<PointerClient> m_pointer;
  std::unique_ptr<ChildProcess> m_keyboard;
};

}  // namespace veltane::test
