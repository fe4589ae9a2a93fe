#include "bench/wayland/plain_wl_shm_loop.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "layer-shell-client.h"

namespace veltane::bench {

namespace {

constexpr int kImageWidth = 70;
constexpr int kImageHeight = 100;
constexpr std::size_t kImageStride = 212;  // A 24-bit row of 70 pixels, padded to four bytes.
constexpr int kBuffers = 3;

struct Globals {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* layers = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool configured = false;
};

struct Buffer {
  wl_buffer* buffer = nullptr;
  std::uint32_t* pixels = nullptr;
  bool busy = false;
};

constexpr wl_registry_listener kRegistry{
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
      auto* g = static_cast<Globals*>(data);
      const std::string_view kind(interface);
      if (kind == wl_compositor_interface.name) {
        g->compositor =
            static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
      } else if (kind == wl_shm_interface.name) {
        g->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
      } else if (kind == zwlr_layer_shell_v1_interface.name) {
        g->layers = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
      }
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

constexpr zwlr_layer_surface_v1_listener kLayer{
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
       std::uint32_t height) {
      auto* g = static_cast<Globals*>(data);
      zwlr_layer_surface_v1_ack_configure(layer, serial);
      g->width = width;
      g->height = height;
      g->configured = true;
    },
    [](void*, zwlr_layer_surface_v1*) {},
};

constexpr wl_buffer_listener kRelease{
    [](void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }};

// Reads and runs what the compositor sent, waiting at most timeoutMs; false when the connection is gone.
bool Dispatch(wl_display* display, int timeoutMs) {
  while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
  wl_display_flush(display);
  pollfd fd{wl_display_get_fd(display), POLLIN, 0};
  if (poll(&fd, 1, timeoutMs) > 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  return wl_display_dispatch_pending(display) >= 0;
}

}  // namespace

double PlainWlShmFramesPerSecond(double seconds) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 0;
  Globals g;
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &g);
  wl_display_roundtrip(display);
  if (g.compositor == nullptr || g.shm == nullptr || g.layers == nullptr) return 0;
  wl_surface* surface = wl_compositor_create_surface(g.compositor);
  zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
      g.layers, surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "bench");
  zwlr_layer_surface_v1_add_listener(layer, &kLayer, &g);
  zwlr_layer_surface_v1_set_anchor(layer, 15);
  zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
  wl_surface_commit(surface);
  while (!g.configured && wl_display_dispatch(display) >= 0) {
  }
  const int stride = static_cast<int>(g.width) * 4;
  const std::size_t bytes = static_cast<std::size_t>(stride) * g.height;
  Buffer buffers[kBuffers];
  for (Buffer& b : buffers) {
    const int fd = memfd_create("bench", MFD_CLOEXEC);
    if (ftruncate(fd, static_cast<off_t>(bytes)) != 0) return 0;
    b.pixels = static_cast<std::uint32_t*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, static_cast<std::int32_t>(bytes));
    b.buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<std::int32_t>(g.width),
                                         static_cast<std::int32_t>(g.height), stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(b.buffer, &kRelease, &b);
  }
  std::vector<std::uint8_t> image(kImageStride * kImageHeight);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  const int x = (static_cast<int>(g.width) - kImageWidth) / 2;
  const int y = (static_cast<int>(g.height) - kImageHeight) / 2;

  long frames = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    Buffer* free = nullptr;
    while (free == nullptr) {
      for (Buffer& b : buffers) {
        if (!b.busy) free = &b;
      }
      if (free == nullptr && !Dispatch(display, 1000)) return 0;
    }
    // The image is the flame's kind, 24-bit and bottom-up, converted as a hand-written client would.
    for (int row = 0; row < kImageHeight; ++row) {
      const std::uint8_t* src =
          image.data() + static_cast<std::size_t>(kImageHeight - 1 - row) * kImageStride;
      std::uint32_t* dst = free->pixels + static_cast<std::size_t>(y + row) * g.width + x;
      for (int column = 0; column < kImageWidth; ++column, src += 3) {
        dst[column] = std::uint32_t{src[0]} | std::uint32_t{src[1]} << 8 | std::uint32_t{src[2]} << 16;
      }
    }
    free->busy = true;
    wl_surface_attach(surface, free->buffer, 0, 0);
    wl_surface_damage_buffer(surface, x, y, kImageWidth, kImageHeight);
    wl_surface_commit(surface);
    if (!Dispatch(display, 0)) return 0;
    ++frames;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  wl_display_disconnect(display);
  return static_cast<double>(frames) / elapsed;
}

}  // namespace veltane::bench
