#include "testing/sway_server.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "virtual-pointer-client.h"

namespace veltane::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

constexpr char kConfig[] =
    "xwayland disable\n"
    "output HEADLESS-1 resolution 640x480 position 0 0\n"
    "output HEADLESS-2 resolution 320x240 position 640 0\n"
    "output HEADLESS-3 resolution 320x240 position 960 0\n";

// Starts argv with the given environment, its output to logPath (or /dev/null); -1 when fork fails.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& logPath) {
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environment;
  std::vector<char*> argp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string log = logPath.empty() ? "/dev/null" : logPath;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // Nothing the test starts outlives it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    const int in = open("/dev/null", O_RDONLY);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (in >= 0) dup2(in, STDIN_FILENO);
    execvpe(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The exit status, or -1 when the process is still running at the deadline (it is then killed).
int Reap(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 && errno != EINTR) return -1;
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return -1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace

// A client connection of the test's own that holds a virtual pointer device.
struct SwayServer::PointerClient {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  zwlr_virtual_pointer_manager_v1* manager = nullptr;
  zwlr_virtual_pointer_v1* pointer = nullptr;
  ~PointerClient() {
    if (pointer != nullptr) zwlr_virtual_pointer_v1_destroy(pointer);
    if (manager != nullptr) zwlr_virtual_pointer_manager_v1_destroy(manager);
    if (registry != nullptr) wl_registry_destroy(registry);
    if (display != nullptr) wl_display_disconnect(display);
  }
};

SwayServer::SwayServer() {
  if (!Start()) Stop(SIGKILL);
}

SwayServer::~SwayServer() { Stop(); }

bool SwayServer::Start() {
  const std::string config = m_runtimeDir / "config";
  std::ofstream(config) << kConfig;
  const char* home = getenv("HOME");
  std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + m_runtimeDir.String(), "WLR_BACKENDS=headless",
                                       "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "PATH=/usr/bin:/bin",
                                       "HOME=" + (home ? home : m_runtimeDir.String())};
  m_pid = Spawn({"sway", "-c", config}, environment, m_runtimeDir / "sway.log");
  if (m_pid < 0) {
    m_error = "fork failed";
    return false;
  }
  return WaitForSockets();
}

bool SwayServer::WaitForSockets() {
  const auto deadline = Clock::now() + kStartTimeout;
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      std::ifstream log(m_runtimeDir / "sway.log");
      m_error = "sway ended at start: " + std::string(std::istreambuf_iterator<char>(log), {});
      return false;
    }
    for (const auto& entry : std::filesystem::directory_iterator(m_runtimeDir.Path())) {
      const std::string name = entry.path().filename();
      if (name.starts_with("wayland-") && !name.ends_with(".lock")) m_waylandDisplay = name;
      if (name.starts_with("sway-ipc.")) m_ipcSocket = entry.path();
    }
    if (!m_waylandDisplay.empty() && !m_ipcSocket.empty() && RunTool({"swaymsg", "-t", "get_outputs"}) == 0) {
      return true;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  m_error = "sway made no sockets in time";
  return false;
}

std::vector<std::string> SwayServer::ClientEnvironment() const {
  return {"XDG_RUNTIME_DIR=" + m_runtimeDir.String(), "WAYLAND_DISPLAY=" + m_waylandDisplay, "SWAYSOCK=" + m_ipcSocket};
}

int SwayServer::RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  return FinishTool(StartTool(argv), timeout);
}

pid_t SwayServer::StartTool(const std::vector<std::string>& argv) {
  std::vector<std::string> environment = ClientEnvironment();
  environment.push_back("PATH=/usr/bin:/bin");
  return Spawn(argv, environment, m_runtimeDir / "tools.log");
}

int SwayServer::FinishTool(pid_t pid, std::chrono::milliseconds timeout) {
  return pid < 0 ? -1 : Reap(pid, Clock::now() + timeout);
}

bool SwayServer::Capture(const std::string& output, Screenshot* shot) {
  const std::string path = m_runtimeDir / "shot.ppm";
  if (RunTool({"grim", "-t", "ppm", "-o", output, path}) != 0) return false;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> shot->width >> shot->height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255 || shot->width <= 0 || shot->height <= 0) return false;
  const auto count = static_cast<std::size_t>(shot->width) * static_cast<std::size_t>(shot->height);
  std::vector<unsigned char> bytes(count * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return false;
  shot->pixels.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    shot->pixels[i] = (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
  }
  return true;
}

bool SwayServer::AddPointer() {
  auto client = std::make_unique<PointerClient>();
  const std::string socket = m_runtimeDir / m_waylandDisplay;
  client->display = wl_display_connect(socket.c_str());
  if (client->display == nullptr) return false;
  static constexpr wl_registry_listener kListener{
      [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
        if (std::string_view(interface) != zwlr_virtual_pointer_manager_v1_interface.name) return;
        static_cast<PointerClient*>(data)->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
      },
      [](void*, wl_registry*, std::uint32_t) {},
  };
  client->registry = wl_display_get_registry(client->display);
  wl_registry_add_listener(client->registry, &kListener, client.get());
  wl_display_roundtrip(client->display);
  if (client->manager == nullptr) return false;
  client->pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(client->manager, nullptr);
  if (wl_display_roundtrip(client->display) < 0) return false;
  m_pointer = std::move(client);
  return true;
}

void SwayServer::RemovePointer() { m_pointer.reset(); }

bool SwayServer::AddOutput() { return RunTool({"swaymsg", "create_output"}) == 0; }

void SwayServer::Stop(int signal) {
  m_pointer.reset();
  if (m_pid <= 0) return;
  kill(m_pid, signal);
  if (Reap(m_pid, Clock::now() + kStopTimeout) == -1) kill(m_pid, SIGKILL);
  m_pid = -1;
}

}  // namespace veltane::test
