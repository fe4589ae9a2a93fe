#include "testing/mutter_server.h"

#include <gio/gio.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "testing/wait_until.h"

namespace veltane::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr const char* kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
// The key 'a', as the kernel numbers keys.
constexpr unsigned kKeyA = 30;

}  // namespace

MutterServer::MutterServer() {
  if (!Start()) m_mutter.reset();
}

MutterServer::~MutterServer() {
  if (m_mutter != nullptr) m_mutter->Stop();
  if (m_connection != nullptr) {
    g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
    g_object_unref(m_connection);
  }
}

std::string MutterServer::BusAddress() const { return "unix:path=" + (m_runtimeDir / "bus").string(); }

std::vector<std::string> MutterServer::ClientEnvironment() const {
  return {"XDG_RUNTIME_DIR=" + m_runtimeDir.String(), "WAYLAND_DISPLAY=wayland-0",
          "DBUS_SESSION_BUS_ADDRESS=" + BusAddress()};
}

bool MutterServer::Start() {
  std::vector<std::string> environment = ClientEnvironment();
  environment.insert(environment.end(), {"HOME=" + m_runtimeDir.String(), "PATH=/usr/bin:/bin",
                                         "GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1"});
  const auto start = [&](std::vector<std::string> argv, const char* log) {
    return std::make_unique<ChildProcess>(std::move(argv),
                                          ChildProcess::Options{environment, m_runtimeDir / log});
  };
  const std::string address = BusAddress();
  m_bus = start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address}, "bus.log");
  WaitUntil([&] { return std::filesystem::exists(m_runtimeDir / "bus") || !m_bus->Running(); },
            kStartTimeout);
  m_connection = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  if (m_connection == nullptr) {
    m_error = "no session bus";
    return false;
  }
  // The services come first, as gnome-session and the shell do, so that mutter finds them.
  m_sessionManager = start({VELTANE_GNOME_STAND_IN, "session-manager"}, "stand-ins.log");
  m_screenShield = start({VELTANE_GNOME_STAND_IN, "screen-saver"}, "stand-ins.log");
  if (!WaitForNames({"org.gnome.SessionManager", "org.gnome.ScreenSaver"}, *m_screenShield)) return false;
  m_mutter =
      start({"mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor", "640x480"}, "mutter.log");
  if (!WaitForNames({"org.gnome.Mutter.IdleMonitor", kRemoteDesktop}, *m_mutter) ||
      !WaitUntil([&] { return std::filesystem::exists(m_runtimeDir / "wayland-0"); }, kStartTimeout)) {
    return false;
  }
  return StartRemoteDesktop();
}

bool MutterServer::WaitForNames(const std::vector<std::string>& names, ChildProcess& process) {
  const bool owned = WaitUntil(
      [&] {
        for (const std::string& name : names) {
          const auto answer = Call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.NameHasOwner", "('" + name + "',)");
          if (answer != "(true,)") return !process.Running();
        }
        return true;
      },
      kStartTimeout, std::chrono::milliseconds(20));
  if (!owned || !process.Running()) {
    std::ifstream log(m_runtimeDir / "mutter.log");
    m_error = "the session's services did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
    return false;
  }
  return true;
}

// The session closes when its creator's connection does, so the harness keeps one for the whole test.
bool MutterServer::StartRemoteDesktop() {
  const auto session =
      Call(kRemoteDesktop, "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop.CreateSession");
  const std::size_t open = session ? session->find('\'') : std::string::npos;
  if (open == std::string::npos) {
    m_error = "mutter made no remote desktop session";
    return false;
  }
  m_remoteSession = session->substr(open + 1, session->rfind('\'') - open - 1);
  if (!Call(kRemoteDesktop, m_remoteSession, "org.gnome.Mutter.RemoteDesktop.Session.Start")) {
    m_error = "mutter did not start the remote desktop session";
    return false;
  }
  return true;
}

std::optional<std::string> MutterServer::Call(const std::string& name, const std::string& path,
                                              const std::string& method, const std::string& parameters) {
  const std::size_t dot = method.rfind('.');
  GVariant* arguments = g_variant_parse(nullptr, parameters.c_str(), nullptr, nullptr, nullptr);
  if (arguments == nullptr) return std::nullopt;
  GVariant* answer = g_dbus_connection_call_sync(
      m_connection, name.c_str(), path.c_str(), method.substr(0, dot).c_str(), method.substr(dot + 1).c_str(),
      arguments, nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr, nullptr);
  g_variant_unref(arguments);
  if (answer == nullptr) return std::nullopt;
  gchar* text = g_variant_print(answer, TRUE);
  std::string result = text;
  g_free(text);
  g_variant_unref(answer);
  return result;
}

bool MutterServer::MovePointer() {
  return Call(kRemoteDesktop, m_remoteSession,
              "org.gnome.Mutter.RemoteDesktop.Session.NotifyPointerMotionRelative", "(10.0, 10.0)")
      .has_value();
}

bool MutterServer::TapKey() {
  const std::string method = "org.gnome.Mutter.RemoteDesktop.Session.NotifyKeyboardKeycode";
  const std::string key = std::to_string(kKeyA);
  return Call(kRemoteDesktop, m_remoteSession, method, "(uint32 " + key + ", true)") &&
         Call(kRemoteDesktop, m_remoteSession, method, "(uint32 " + key + ", false)");
}

}  // namespace veltane::test
