#pragma once
// A private headless GNOME session for a test: a session bus of its own (dbus-daemon --session, as
// dbus-run-session runs one), stand-ins for GNOME's session manager and screen shield, each in a process of
// its own, and mutter on the headless backend with one virtual monitor and no X server, ready for clients
// when the constructor returns and gone when the object is. The test plays the user through mutter's
// RemoteDesktop API and plays GNOME through the services' own methods.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/temp_dir.h"

typedef struct _GDBusConnection GDBusConnection;

namespace veltane::test {

class MutterServer {
 public:
  MutterServer();
  ~MutterServer();
  MutterServer(const MutterServer&) = delete;
  MutterServer& operator=(const MutterServer&) = delete;

  bool Running() const { return m_mutter != nullptr; }
  const std::string& Error() const { return m_error; }
  // What a client needs in its environment to find this session's bus and compositor, and no other.
  std::vector<std::string> ClientEnvironment() const;

  // Calls a method ("org.gnome.ScreenSaver.SetActive") of an object on the bus, with the parameters in
  // GVariant's text form ("(true,)"); the answer in that form, or nothing on an error.
  std::optional<std::string> Call(const std::string& name, const std::string& path, const std::string& method,
                                  const std::string& parameters = "()");
  // Input from a user, as mutter sees it.
  bool MovePointer();
  bool TapKey();

 private:
  std::string BusAddress() const;
  bool Start();
  bool WaitForNames(const std::vector<std::string>& names, ChildProcess& process);
  bool StartRemoteDesktop();

  TempDir m_runtimeDir{"veltane-mutter."};
  std::unique_ptr<ChildProcess> m_bus;
  std::unique_ptr<ChildProcess> m_sessionManager;
  std::unique_ptr<ChildProcess> m_screenShield;
  std::unique_ptr<ChildProcess> m_mutter;
  GDBusConnection* m_connection = nullptr;
  std::string m_remoteSession;
  std::string m_error;
};

}  // namespace veltane::test
