#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform::wayland {

namespace {

// Beside the compositor's socket and named after it, as $XDG_RUNTIME_DIR/veltane-wayland-0.lock. A
// connection handed down as a descriptor names no socket, and gets no mark.
std::filesystem::path MarkPath() {
  if (std::getenv("WAYLAND_SOCKET") != nullptr) return {};
  const char* name = std::getenv("WAYLAND_DISPLAY");
  std::filesystem::path socket = name != nullptr && name[0] != '\0' ? name : "wayland-0";
  if (socket.is_relative()) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] == '\0') return {};
    socket = std::filesystem::path(runtime) / socket;
  }
  return socket.parent_path() / ("veltane-" + socket.filename().string() + ".lock");
}

}  // namespace

// The mark is a lock on a file, which the kernel lets go of with the process, however it ends. Where no
// mark can be made, the saver runs unmarked rather than not at all.
bool WaylandBackend::ClaimFullScreen() {
  if (m_mark >= 0) return true;
  const std::filesystem::path path = MarkPath();
  if (path.empty()) return true;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return true;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    m_mark = fd;
    return true;
  }
  const bool held = errno == EWOULDBLOCK;
  close(fd);
  return !held;
}

}  // namespace veltane::platform::wayland
