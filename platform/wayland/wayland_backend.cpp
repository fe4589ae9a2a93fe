#include "platform/wayland/wayland_backend.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/system_time.h"
#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform {

namespace {

// Without a runtime folder there is no socket to find, unless the compositor's name is a path or a
// connection was handed down; libwayland would only say so on standard error.
bool MayFindCompositor() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return std::getenv("WAYLAND_SOCKET") != nullptr || (name != nullptr && name[0] == '/') ||
         (runtime != nullptr && runtime[0] != '\0');
}

}  // namespace

WaylandConnection ConnectWayland(const BackendOptions& options) {
  if (!MayFindCompositor()) return {};
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return {};
  auto backend = std::make_unique<wayland::WaylandBackend>(display, options);
  WaylandConnection connection;
  if (backend->Usable(&connection.problem)) connection.backend = std::move(backend);
  return connection;
}

}  // namespace veltane::platform

namespace veltane::platform::wayland {

namespace {

constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kShmVersion = 1;
constexpr std::uint32_t kOutputVersion = 2;
constexpr std::uint32_t kSeatVersion = 5;
constexpr std::uint32_t kLayerShellVersion = 1;
constexpr std::uint32_t kWmBaseVersion = 1;

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface, std::uint32_t offered,
        std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

constexpr wl_registry_listener kRegistryListener{
    [](void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
      static_cast<WaylandBackend*>(data)->OnGlobal(name, interface, version);
    },
    [](void* data, wl_registry*, std::uint32_t name) {
      static_cast<WaylandBackend*>(data)->OnGlobalRemove(name);
    },
};

constexpr wl_output_listener kOutputListener{
    [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
       const char*, const char*, std::int32_t) {
      auto* output = static_cast<Output*>(data);
      output->x = x;
      output->y = y;
    },
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
      auto* output = static_cast<Output*>(data);
      if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
      output->width = width;
      output->height = height;
    },
    [](void* data, wl_output*) {
      const auto* output = static_cast<Output*>(data);
      output->backend->OnOutputDone(*output);
    },
    [](void* data, wl_output*, std::int32_t scale) {
      static_cast<Output*>(data)->scale = std::max(scale, 1);
    },
    // Name and description come only from a later version than the one bound.
    nullptr,
    nullptr,
};

constexpr xdg_wm_base_listener kWmBaseListener{
    [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

}  // namespace

WaylandBackend::WaylandBackend(wl_display* display, const BackendOptions& options)
    : m_display(display),
      m_ignoreLayerShell(options.ignoreLayerShell),
      m_xkb(xkb_context_new(XKB_CONTEXT_NO_FLAGS)),
      m_everyFrame(options.everyFrame) {
  m_registry = wl_display_get_registry(display);
  wl_registry_add_listener(m_registry, &kRegistryListener, this);
  // The first round trip announces the globals, the second what the outputs and seats say of themselves.
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);
}

WaylandBackend::~WaylandBackend() {
  while (!m_windows.empty()) DestroyNativeWindow(m_windows.begin()->first);
  if (m_displaySettling != nullptr) wl_callback_destroy(m_displaySettling);
  for (const auto& seat : m_seats) ReleaseSeat(*seat);
  for (const auto& output : m_outputs) wl_output_destroy(output->proxy);
  if (m_layerShell != nullptr) zwlr_layer_shell_v1_destroy(m_layerShell);
  if (m_wmBase != nullptr) xdg_wm_base_destroy(m_wmBase);
  if (m_shm != nullptr) wl_shm_destroy(m_shm);
  if (m_compositor != nullptr) wl_compositor_destroy(m_compositor);
  wl_registry_destroy(m_registry);
  if (m_xkb != nullptr) xkb_context_unref(m_xkb);
  wl_display_disconnect(m_display);
  if (m_mark >= 0) close(m_mark);
}

bool WaylandBackend::Usable(std::string* problem) const {
  if (wl_display_get_error(m_display) != 0) {
    *problem = "veltane: the Wayland connection failed";
  } else if (m_compositor == nullptr || m_shm == nullptr) {
    *problem = "veltane: the Wayland compositor offers no surfaces in shared memory";
  } else if (m_layerShell == nullptr && m_wmBase == nullptr) {
    *problem = "veltane: the Wayland compositor offers no shell for a full-screen surface";
  } else {
    return true;
  }
  return false;
}

void WaylandBackend::OnGlobal(std::uint32_t name, const char* interface, std::uint32_t version) {
  const std::string_view kind(interface);
  if (kind == wl_compositor_interface.name) {
    m_compositor =
        Bind<wl_compositor>(m_registry, name, wl_compositor_interface, version, kCompositorVersion);
  } else if (kind == wl_shm_interface.name) {
    m_shm = Bind<wl_shm>(m_registry, name, wl_shm_interface, version, kShmVersion);
  } else if (kind == zwlr_layer_shell_v1_interface.name && !m_ignoreLayerShell) {
    m_layerShell = Bind<zwlr_layer_shell_v1>(m_registry, name, zwlr_layer_shell_v1_interface, version,
                                             kLayerShellVersion);
  } else if (kind == xdg_wm_base_interface.name) {
    m_wmBase = Bind<xdg_wm_base>(m_registry, name, xdg_wm_base_interface, version, kWmBaseVersion);
    xdg_wm_base_add_listener(m_wmBase, &kWmBaseListener, this);
  } else if (kind == wl_output_interface.name) {
    auto output = std::make_unique<Output>();
    output->backend = this;
    output->name = name;
    output->proxy = Bind<wl_output>(m_registry, name, wl_output_interface, version, kOutputVersion);
    wl_output_add_listener(output->proxy, &kOutputListener, output.get());
    m_outputs.push_back(std::move(output));
    // An output that comes while the saver runs is covered too.
    for (auto& [hwnd, window] : m_windows) AddCover(hwnd, window, *m_outputs.back());
    DisplayChanged();
  } else if (kind == "zwlr_input_inhibit_manager_v1" || kind == "ext_session_lock_manager_v1") {
    // Lock screens take the input through either; the saver binds neither, only heeds them.
    m_offersLocking = true;
  } else if (kind == wl_seat_interface.name) {
    auto seat = std::make_unique<Seat>();
    seat->backend = this;
    seat->name = name;
    seat->proxy = Bind<wl_seat>(m_registry, name, wl_seat_interface, version, kSeatVersion);
    m_seats.push_back(std::move(seat));
    ListenToSeat(*m_seats.back());
  }
}

void WaylandBackend::OnGlobalRemove(std::uint32_t name) {
  for (auto it = m_seats.begin(); it != m_seats.end(); ++it) {
    if ((*it)->name != name) continue;
    ReleaseSeat(**it);
    m_seats.erase(it);
    m_keyboardMoved = true;
    return;
  }
  for (auto it = m_outputs.begin(); it != m_outputs.end(); ++it) {
    if ((*it)->name != name) continue;
    std::vector<HWND> lost;
    for (auto& [hwnd, window] : m_windows) {
      if (window.main->outputName == name) {
        lost.push_back(hwnd);
        continue;
      }
      auto& covers = window.covers;
      for (auto cover = covers.begin(); cover != covers.end();) {
        if ((*cover)->outputName == name) {
          DestroyShellSurface(std::move(*cover));
          cover = covers.erase(cover);
        } else {
          ++cover;
        }
      }
    }
    // The output that showed the window is gone, and with it the window, as if destroyed from outside.
    for (const HWND hwnd : lost) LoseWindow(hwnd);
    wl_output_destroy((*it)->proxy);
    m_outputs.erase(it);
    DisplayChanged();
    return;
  }
}

const Output* WaylandBackend::FindOutput(std::uint32_t name) const {
  for (const auto& output : m_outputs) {
    if (output->name == name) return output.get();
  }
  return nullptr;
}

void WaylandBackend::ConnectionLost() {
  // As with a lost X display: nothing is left to show or to give back, so the process ends at once, with a
  // line that says why.
  constexpr char kMessage[] = "veltane: the Wayland connection broke\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  _exit(1);
}

void WaylandBackend::Dispatch(int timeoutMs) {
  while (wl_display_prepare_read(m_display) != 0) {
    if (wl_display_dispatch_pending(m_display) < 0) ConnectionLost();
  }
  if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(m_display);
    ConnectionLost();
  }
  pollfd connection{wl_display_get_fd(m_display), POLLIN, 0};
  int ready = poll(&connection, 1, timeoutMs);
  while (ready < 0 && errno == EINTR) ready = poll(&connection, 1, timeoutMs);
  if (ready > 0) {
    if (wl_display_read_events(m_display) < 0) ConnectionLost();
  } else {
    wl_display_cancel_read(m_display);
  }
  if (wl_display_dispatch_pending(m_display) < 0) ConnectionLost();
}

bool WaylandBackend::DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    Dispatch(static_cast<int>(left.count()) + 1);
  }
  return true;
}

void WaylandBackend::Deliver(EventSink& sink) {
  CheckActivation();
  m_events.DeliverTo(sink);
}

void WaylandBackend::PollEvents(EventSink& sink) {
  Dispatch(0);
  PresentDue();
  Deliver(sink);
}

// What the compositor has sent already may make messages only once CheckActivation has looked at it (the
// keyboard leaving our surfaces), so that is asked before the wait sleeps. A picture waits for the
// compositor's request for a frame, or for a buffer it lets go of, which come as events too.
void WaylandBackend::WaitEvents(EventSink& sink, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  Dispatch(0);
  PresentDue();
  for (CheckActivation(); m_events.Empty(); CheckActivation()) {
    int sleep = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      sleep = static_cast<int>(left.count());
    }
    Dispatch(sleep);
    PresentDue();
  }
  Deliver(sink);
}

bool WaylandBackend::NativeWindowExists(HWND hwnd) { return m_windows.contains(hwnd); }

bool WaylandBackend::ClientRect(HWND hwnd, Rect* rect) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return false;
  const Size client = found->second.picture.ClientSize();
  *rect = Rect{0, 0, client.width, client.height};
  return true;
}

// The first output stands for the primary monitor: Wayland names none, and compositors announce the
// outputs in the order they were set up.
Size WaylandBackend::ScreenSize() {
  if (!m_windows.empty()) {
    const ShellSurface& shown = *m_windows.begin()->second.main;
    return Size{shown.width, shown.height};
  }
  for (const auto& output : m_outputs) {
    if (output->width > 0 && output->height > 0) return Size{output->width, output->height};
  }
  return Size{};
}

std::uint32_t WaylandBackend::TickCount() { return SystemTickCount(); }

std::int64_t WaylandBackend::CalendarTime() { return SystemCalendarTime(); }

}  // namespace veltane::platform::wayland
