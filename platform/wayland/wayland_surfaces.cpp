#include <chrono>

#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform::wayland {

namespace {

// A compositor answers the first commit of a new surface with a configure at once; a wait this long
// means it never will.
constexpr auto kConfigurePatience = std::chrono::seconds(2);
constexpr std::uint32_t kAllEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
// Also ignores the space that panels keep for themselves, so the surface covers them.
constexpr std::int32_t kIgnoreExclusiveZones = -1;
constexpr char kNamespace[] = "veltane";

constexpr zwlr_layer_surface_v1_listener kLayerListener{
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
       std::uint32_t height) {
      zwlr_layer_surface_v1_ack_configure(layer, serial);
      auto* shell = static_cast<ShellSurface*>(data);
      shell->backend->OnConfigure(*shell, static_cast<std::int32_t>(width),
                                  static_cast<std::int32_t>(height));
    },
    [](void* data, zwlr_layer_surface_v1*) {
      auto* shell = static_cast<ShellSurface*>(data);
      shell->backend->OnClosed(*shell);
    },
};

constexpr xdg_surface_listener kXdgSurfaceListener{
    [](void* data, xdg_surface* surface, std::uint32_t serial) {
      xdg_surface_ack_configure(surface, serial);
      auto* shell = static_cast<ShellSurface*>(data);
      shell->backend->OnConfigure(*shell, shell->proposedWidth, shell->proposedHeight);
    },
};

constexpr xdg_toplevel_listener kToplevelListener{
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
      auto* shell = static_cast<ShellSurface*>(data);
      shell->proposedWidth = width;
      shell->proposedHeight = height;
    },
    [](void* data, xdg_toplevel*) {
      auto* shell = static_cast<ShellSurface*>(data);
      shell->backend->OnClosed(*shell);
    },
    // Bounds and capabilities come only from a later version than the one bound.
    nullptr,
    nullptr,
};

}  // namespace

HWND WaylandBackend::CreateChildWindow(HWND, const Rect&, bool) {
  // A host window is an X window; Wayland has no foreign windows to live in.
  return 0;
}

std::unique_ptr<ShellSurface> WaylandBackend::MakeShellSurface(HWND owner, const Output* output, bool cover) {
  auto shell = std::make_unique<ShellSurface>();
  shell->backend = this;
  shell->owner = owner;
  shell->cover = cover;
  shell->outputName = output != nullptr ? output->name : 0;
  shell->buffers = std::make_unique<ShmBuffers>(m_shm, WL_SHM_FORMAT_XRGB8888);
  shell->surface = wl_compositor_create_surface(m_compositor);
  wl_output* where = output != nullptr ? output->proxy : nullptr;
  if (m_layerShell != nullptr) {
    shell->layer = zwlr_layer_shell_v1_get_layer_surface(m_layerShell, shell->surface, where,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kNamespace);
    zwlr_layer_surface_v1_add_listener(shell->layer, &kLayerListener, shell.get());
    zwlr_layer_surface_v1_set_size(shell->layer, 0, 0);
    zwlr_layer_surface_v1_set_anchor(shell->layer, kAllEdges);
    zwlr_layer_surface_v1_set_exclusive_zone(shell->layer, kIgnoreExclusiveZones);
    zwlr_layer_surface_v1_set_keyboard_interactivity(shell->layer,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    shell->xdgSurface = xdg_wm_base_get_xdg_surface(m_wmBase, shell->surface);
    xdg_surface_add_listener(shell->xdgSurface, &kXdgSurfaceListener, shell.get());
    shell->toplevel = xdg_surface_get_toplevel(shell->xdgSurface);
    xdg_toplevel_add_listener(shell->toplevel, &kToplevelListener, shell.get());
    xdg_toplevel_set_title(shell->toplevel, "");
    xdg_toplevel_set_app_id(shell->toplevel, kNamespace);
    xdg_toplevel_set_fullscreen(shell->toplevel, where);
  }
  m_surfaces[shell->surface] = shell.get();
  // The first commit carries no buffer; the compositor answers it with the size to take.
  wl_surface_commit(shell->surface);
  return shell;
}

void WaylandBackend::DestroyShellSurface(std::unique_ptr<ShellSurface> shell) {
  m_surfaces.erase(shell->surface);
  for (const auto& seat : m_seats) {
    if (seat->pointerSurface == shell->surface) seat->pointerSurface = nullptr;
    if (seat->keyboardSurface == shell->surface) seat->keyboardSurface = nullptr;
    if (seat->keyboardLeft == shell->surface) seat->keyboardLeft = nullptr;
  }
  if (shell->frame != nullptr) wl_callback_destroy(shell->frame);
  if (shell->layer != nullptr) zwlr_layer_surface_v1_destroy(shell->layer);
  if (shell->toplevel != nullptr) xdg_toplevel_destroy(shell->toplevel);
  if (shell->xdgSurface != nullptr) xdg_surface_destroy(shell->xdgSurface);
  wl_surface_destroy(shell->surface);
  shell->buffers.reset();
}

// The window is its surface on the first output; every other output gets a black cover, so that no screen
// shows the desktop while the saver runs.
HWND WaylandBackend::CreateTopmostWindow(const Rect&, bool) {
  const HWND hwnd = m_nextHandle++;
  OurWindow& window = m_windows[hwnd];
  window.pacer = MakePacer();
  window.main = MakeShellSurface(hwnd, m_outputs.empty() ? nullptr : m_outputs.front().get(), false);
  for (std::size_t i = 1; i < m_outputs.size(); ++i) AddCover(hwnd, window, *m_outputs[i]);
  DispatchUntil([&] { return !m_windows.contains(hwnd) || window.main->configured; }, kConfigurePatience);
  if (!m_windows.contains(hwnd)) return 0;
  if (!window.main->configured || !TookKeyboard(hwnd)) {
    DestroyNativeWindow(hwnd);
    return 0;
  }
  return hwnd;
}

void WaylandBackend::AddCover(HWND hwnd, OurWindow& window, const Output& output) {
  window.covers.push_back(MakeShellSurface(hwnd, &output, true));
}

void WaylandBackend::PaintBlack(ShellSurface& shell) {
  if (!shell.buffers->AttachBlack(shell.surface, shell.width, shell.height)) return;
  wl_surface_commit(shell.surface);
  wl_display_flush(m_display);
}

void WaylandBackend::OnConfigure(ShellSurface& shell, std::int32_t width, std::int32_t height) {
  // A size of 0 leaves the choice to us: the output's own, in the compositor's units.
  const Output* output = FindOutput(shell.outputName);
  if (width <= 0)
    width = output != nullptr && output->width > 0 ? output->width / output->scale : shell.width;
  if (height <= 0)
    height = output != nullptr && output->height > 0 ? output->height / output->scale : shell.height;
  const bool resized = shell.configured && (width != shell.width || height != shell.height);
  const bool first = !shell.configured;
  shell.configured = true;
  shell.width = width;
  shell.height = height;
  if (shell.cover) {
    if (first || resized) PaintBlack(shell);
    // A cover shown is part of an output set up, and the compositor hands the keyboard round once more.
    if (first) DisplayChanged();
    return;
  }
  // The compositor keeps what the surface shows, so a configure that changes nothing needs no paint.
  if (first || resized) LayOut(shell, first);
}

// A surface is shown only once it has a buffer, and one of the size configured, so the picture goes out at
// once. It keeps what it can of itself at the new size, and is black elsewhere, or all over at a new scale.
void WaylandBackend::LayOut(ShellSurface& shell, bool first) {
  const auto found = m_windows.find(shell.owner);
  if (found == m_windows.end()) return;
  OurWindow& window = found->second;
  const std::int32_t scale = BufferScale(shell);
  const bool rescaled = scale != shell.bufferScale;
  shell.bufferScale = scale;
  window.picture.Resize(Size{shell.width * shell.bufferScale, shell.height * shell.bufferScale},
                        shell.bufferScale);
  if (rescaled && !first) window.pacer.Damage(window.picture.Bounds());
  Present(window, true);
  if (first) return;
  const Size client = window.picture.ClientSize();
  m_events.PostInput(Msg{shell.owner, WM_SIZE, 0, MAKELPARAM(client.width, client.height)});
  m_events.Invalidate(shell.owner);
}

// The scale of the output that the surface is on. A compositor too old to take damage in buffer pixels
// gets buffers at scale 1, which it enlarges itself.
std::int32_t WaylandBackend::BufferScale(const ShellSurface& shell) const {
  const Output* output = FindOutput(shell.outputName);
  const bool scalable = wl_proxy_get_version(reinterpret_cast<wl_proxy*>(shell.surface)) >=
                        WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION;
  return output != nullptr && scalable ? output->scale : 1;
}

// An output whose scale has changed under a window lays the window out anew, even when the compositor
// leaves the surface's size as it was.
void WaylandBackend::OnOutputDone(const Output& output) {
  for (auto& entry : m_windows) {
    ShellSurface& shell = *entry.second.main;
    if (shell.configured && shell.outputName == output.name && shell.bufferScale != BufferScale(shell))
      LayOut(shell, false);
  }
}

void WaylandBackend::OnClosed(ShellSurface& shell) {
  if (!shell.cover) {
    LoseWindow(shell.owner);
    return;
  }
  const auto found = m_windows.find(shell.owner);
  if (found == m_windows.end()) return;
  auto& covers = found->second.covers;
  for (auto it = covers.begin(); it != covers.end(); ++it) {
    if (it->get() != &shell) continue;
    std::unique_ptr<ShellSurface> gone = std::move(*it);
    covers.erase(it);
    DestroyShellSurface(std::move(gone));
    return;
  }
}

// The compositor took the window away: it is gone for us at once, and the framework hears of it at the
// next poll, as of a window destroyed from outside.
void WaylandBackend::LoseWindow(HWND hwnd) {
  if (!m_windows.contains(hwnd)) return;
  DestroyNativeWindow(hwnd);
  m_events.DestroyedFromOutside(hwnd);
}

void WaylandBackend::DestroyNativeWindow(HWND hwnd) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  OurWindow window = std::move(found->second);
  m_windows.erase(found);
  m_events.Forget(hwnd);
  for (auto& cover : window.covers) DestroyShellSurface(std::move(cover));
  DestroyShellSurface(std::move(window.main));
  if (wl_display_flush(m_display) < 0 && errno != EAGAIN) ConnectionLost();
}

}  // namespace veltane::platform::wayland
