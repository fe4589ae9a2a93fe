#include "testing/sway_server.h"

#include <stdlib.h>
#include <wayland-client.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "testing/wait_until.h"
#include "virtual-pointer-client.h"

namespace veltane::test {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);

constexpr char kConfig[] =
    "xwayland disable\n"
    "output HEADLESS-1 resolution 640x480 position 0 0\n"
    "output HEADLESS-2 resolution 320x240 position 640 0\n"
    "output HEADLESS-3 resolution 320x240 position 960 0\n";

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
  const std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + m_runtimeDir.String(),
                                             "WLR_BACKENDS=headless",
                                             "WLR_RENDERER=pixman",
                                             "WLR_LIBINPUT_NO_DEVICES=1",
                                             "PATH=/usr/bin:/bin",
                                             "HOME=" + (home ? home : m_runtimeDir.String())};
  m_sway = std::make_unique<ChildProcess>(std::vector<std::string>{"sway", "-c", config},
                                          ChildProcess::Options{environment, m_runtimeDir / "sway.log"});
  if (!m_sway->Started()) {
    m_error = "fork failed";
    return false;
  }
  return WaitForSockets();
}

bool SwayServer::WaitForSockets() {
  const bool ready = WaitUntil(
      [this] {
        if (!m_sway->Running()) return true;
        for (const auto& entry : std::filesystem::directory_iterator(m_runtimeDir.Path())) {
          const std::string name = entry.path().filename();
          if (name.starts_with("wayland-") && !name.ends_with(".lock")) m_waylandDisplay = name;
          if (name.starts_with("sway-ipc.")) m_ipcSocket = entry.path();
        }
        return !m_waylandDisplay.empty() && !m_ipcSocket.empty() &&
               RunTool({"swaymsg", "-t", "get_outputs"}) == 0;
      },
      kStartTimeout, std::chrono::milliseconds(10));
  if (!m_sway->Running()) {
    std::ifstream log(m_runtimeDir / "sway.log");
    m_error = "sway ended at start: " + std::string(std::istreambuf_iterator<char>(log), {});
  } else if (!ready) {
    m_error = "sway made no sockets in time";
  }
  return ready && m_sway->Running();
}

std::vector<std::string> SwayServer::ClientEnvironment() const {
  return {"XDG_RUNTIME_DIR=" + m_runtimeDir.String(), "WAYLAND_DISPLAY=" + m_waylandDisplay,
          "SWAYSOCK=" + m_ipcSocket};
}

void SwayServer::ExportClientEnvironment() const {
  for (const std::string& entry : ClientEnvironment()) {
    const std::size_t equals = entry.find('=');
    setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
  }
}

int SwayServer::RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  return FinishTool(StartTool(argv), timeout);
}

std::vector<std::string> SwayServer::ToolEnvironment() const {
  std::vector<std::string> environment = ClientEnvironment();
  environment.push_back("PATH=/usr/bin:/bin");
  return environment;
}

std::unique_ptr<ChildProcess> SwayServer::StartTool(const std::vector<std::string>& argv) {
  return std::make_unique<ChildProcess>(argv,
                                        ChildProcess::Options{ToolEnvironment(), m_runtimeDir / "tools.log"});
}

int SwayServer::FinishTool(const std::unique_ptr<ChildProcess>& tool, std::chrono::milliseconds timeout) {
  return tool != nullptr ? tool->WaitForExit(timeout).value_or(-1) : -1;
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
    shot->pixels[i] =
        (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
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

// wtype's virtual keyboard stays on the seat for as long as it sleeps; the wait ends once sway lists it.
bool SwayServer::AddKeyboard() {
  m_keyboard = StartTool({"wtype", "-s", "3600000"});
  const std::string listing = m_runtimeDir / "inputs.json";
  return WaitUntil(
      [&] {
        std::filesystem::remove(listing);
        ChildProcess swaymsg({"swaymsg", "-t", "get_inputs"},
                             ChildProcess::Options{ToolEnvironment(), listing});
        if (swaymsg.WaitForExit(kStopTimeout) != 0) return false;
        std::ifstream in(listing);
        return std::string(std::istreambuf_iterator<char>(in), {}).find("\"keyboard\"") != std::string::npos;
      },
      kStartTimeout, std::chrono::milliseconds(20));
}

bool SwayServer::AddOutput() { return RunTool({"swaymsg", "create_output"}) == 0; }

void SwayServer::Stop(int signal) {
  m_pointer.reset();
  m_keyboard.reset();
  if (m_sway != nullptr) m_sway->Stop(signal, kStopTimeout);
  m_sway.reset();
}

}  // namespace veltane::test
