#include "testing/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "testing/wait_until.h"

namespace veltane::test {

namespace {

using Clock = std::chrono::steady_clock;

// A loaded machine may take a while to start a server; a test should fail rather than hang, though.
constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

XvfbServer::XvfbServer(const Options& options) {
  if (!Start(options)) Stop();
}

XvfbServer::~XvfbServer() { Stop(); }

bool XvfbServer::Start(const Options& options) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    m_error = "pipe failed";
    return false;
  }
  const bool nested = !options.nestedIn.empty();
  std::vector<std::string> argv = {
      nested ? "Xephyr" : "Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-noreset"};
  if (!nested) {
    argv.insert(argv.end(), {"-screen", "0",
                             std::to_string(options.width) + "x" + std::to_string(options.height) + "x" +
                                 std::to_string(options.depth)});
  }
  argv.insert(argv.end(), options.extraArguments.begin(), options.extraArguments.end());
  // A nested server finds the server it runs in through DISPLAY; everything else of the environment stays.
  m_server = std::make_unique<ChildProcess>(
      argv,
      ChildProcess::Options{EnvironmentWith({{"DISPLAY", options.nestedIn}}), "/dev/null", false, fds[1]});
  close(fds[1]);
  if (!m_server->Started()) m_error = "fork failed";
  const bool numbered = m_server->Started() && WaitForDisplayNumber(fds[0]);
  close(fds[0]);
  return numbered && WaitForSocket();
}

// Xvfb writes the display number it chose, and a newline, once it listens.
bool XvfbServer::WaitForDisplayNumber(int readFd) {
  const auto deadline = Clock::now() + kStartTimeout;
  std::string text;
  while (text.find('\n') == std::string::npos) {
    pollfd pending{readFd, POLLIN, 0};
    const int ready = poll(&pending, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      m_error = "Xvfb did not report a display number in time";
      return false;
    }
    char buffer[32];
    const ssize_t got = read(readFd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      m_error = "the server exited before it was ready (are Xvfb and Xephyr installed?)";
      return false;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  const std::string number = text.substr(0, text.find('\n'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
    m_error = "Xvfb reported no display number";
    return false;
  }
  m_displayName = ":" + number;
  return true;
}

bool XvfbServer::WaitForSocket() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = "/tmp/.X11-unix/X" + m_displayName.substr(1);
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const bool listening = WaitUntil(
      [&] {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool connected =
            fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0) close(fd);
        return connected;
      },
      kStartTimeout, kPollInterval);
  if (!listening) m_error = "Xvfb does not accept connections on " + path;
  return listening;
}

void XvfbServer::Stop() {
  if (m_server != nullptr) m_server->Stop(SIGTERM, kStopTimeout);
  m_server.reset();
  m_displayName.clear();
}

}  // namespace veltane::test
