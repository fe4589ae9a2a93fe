// A compositor that offers surfaces but neither shell: the full-screen mode cannot put anything on the
// screen there, so it says so in one line and ends at once, rather than waiting or falling back to X11.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <wayland-server.h>

#include <thread>

#include "testing/saver_process.h"
#include "testing/temp_dir.h"

namespace veltane::test {
namespace {

// Binding is all the saver does with these before it gives up; no request reaches them.
void BindWithoutRequests(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  wl_resource_create(client, static_cast<const wl_interface*>(data), static_cast<int>(version), id);
}

// A compositor of the test's own, run on a thread, with only wl_compositor and wl_shm.
class ShelllessCompositor {
 public:
  ShelllessCompositor() : m_display(wl_display_create()) {
    setenv("XDG_RUNTIME_DIR", m_runtimeDir.String().c_str(), 1);
    m_socket = wl_display_add_socket_auto(m_display);
    wl_global_create(m_display, &wl_compositor_interface, 4,
                     const_cast<wl_interface*>(&wl_compositor_interface), BindWithoutRequests);
    wl_global_create(m_display, &wl_shm_interface, 1, const_cast<wl_interface*>(&wl_shm_interface),
                     BindWithoutRequests);
    m_thread = std::thread([this] { wl_display_run(m_display); });
  }
  ~ShelllessCompositor() {
    wl_display_terminate(m_display);
    m_thread.join();
    wl_display_destroy(m_display);
  }
  std::vector<std::string> ClientEnvironment() const {
    return {"XDG_RUNTIME_DIR=" + m_runtimeDir.String(),
            std::string("WAYLAND_DISPLAY=") + (m_socket ? m_socket : "")};
  }

 private:
  TempDir m_runtimeDir{"veltane-noshell."};
  wl_display* m_display;
  const char* m_socket = nullptr;
  std::thread m_thread;
};

TEST(WaylandWithoutAShell, FullScreenSaysSoInOneLineAndEndsAtOnce) {
  ShelllessCompositor compositor;
  SaverProcess saver({"s"}, "", "/tmp", compositor.ClientEnvironment());
  EXPECT_EQ(saver.WaitForExit(std::chrono::seconds(2)), std::optional<int>(1));
  EXPECT_EQ(saver.ErrorOutput(),
            "veltane: the Wayland compositor offers no shell for a full-screen surface\n");
}

}  // namespace
}  // namespace veltane::test
