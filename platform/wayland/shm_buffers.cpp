#include "platform/wayland/shm_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace veltane::platform::wayland {

namespace {

// Two would do when the compositor lets go of a buffer as soon as it has the next one; a third keeps the
// frames going while it is still busy with that.
constexpr std::size_t kMaxBuffers = 3;
constexpr std::int32_t kBytesPerPixel = 4;

void OnRelease(void* data, wl_buffer*) { *static_cast<bool*>(data) = false; }
constexpr wl_buffer_listener kBufferListener{OnRelease};

}  // namespace

ShmBuffers::~ShmBuffers() { Discard(); }

void ShmBuffers::Discard() {
  for (const auto& buffer : m_buffers) {
    wl_buffer_destroy(buffer->buffer);
    munmap(buffer->memory, buffer->bytes);
  }
  m_buffers.clear();
  m_latest = nullptr;
}

std::unique_ptr<ShmBuffers::Buffer> ShmBuffers::Make(std::int32_t width, std::int32_t height) {
  const std::int32_t stride = width * kBytesPerPixel;
  const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  const int fd = memfd_create("veltane-buffer", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
    memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  wl_shm_pool* pool = wl_shm_create_pool(m_shm, fd, static_cast<std::int32_t>(bytes));
  auto buffer = std::make_unique<Buffer>();
  buffer->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, m_format);
  wl_shm_pool_destroy(pool);
  close(fd);
  buffer->memory = memory;
  buffer->bytes = bytes;
  buffer->pixels = Surface{static_cast<std::uint32_t*>(memory), width, height, width};
  wl_buffer_add_listener(buffer->buffer, &kBufferListener, &buffer->busy);
  return buffer;
}

ShmBuffers::Buffer* ShmBuffers::Free(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (!m_buffers.empty() &&
      (m_buffers.front()->pixels.width != width || m_buffers.front()->pixels.height != height)) {
    Discard();
  }
  if (m_latest != nullptr && !m_latest->busy) return m_latest;
  const auto free = std::find_if(m_buffers.begin(), m_buffers.end(), [](const auto& b) { return !b->busy; });
  if (free != m_buffers.end()) return free->get();
  if (m_buffers.size() >= kMaxBuffers) return nullptr;
  auto made = Make(width, height);
  if (made == nullptr) return nullptr;
  // A new buffer is black; everything the surface shows may differ from that.
  if (m_latest != nullptr) made->stale = Rect{0, 0, width, height};
  m_buffers.push_back(std::move(made));
  return m_buffers.back().get();
}

bool ShmBuffers::Attach(wl_surface* surface, const Surface& picture, const Rect& damage) {
  Buffer* buffer = Free(picture.width, picture.height);
  if (buffer == nullptr) return false;
  const Rect changed = Intersect(damage, Rect{0, 0, picture.width, picture.height});
  const Rect update = Union(buffer->stale, changed);
  const auto columns = static_cast<std::size_t>(update.Width()) * sizeof(std::uint32_t);
  for (std::int32_t row = update.top; row < update.bottom; ++row) {
    std::memcpy(
        buffer->pixels.pixels + static_cast<std::ptrdiff_t>(row) * buffer->pixels.stride + update.left,
        picture.pixels + static_cast<std::ptrdiff_t>(row) * picture.stride + update.left, columns);
  }
  AttachBuffer(surface, *buffer, changed);
  return true;
}

bool ShmBuffers::AttachBlack(wl_surface* surface, std::int32_t width, std::int32_t height) {
  Buffer* buffer = Free(width, height);
  if (buffer == nullptr) return false;
  const Rect whole{0, 0, width, height};
  std::fill_n(buffer->pixels.pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);
  AttachBuffer(surface, *buffer, whole);
  return true;
}

void ShmBuffers::AttachBuffer(wl_surface* surface, Buffer& buffer, const Rect& damage) {
  for (const auto& other : m_buffers) {
    if (other.get() != &buffer) other->stale = Union(other->stale, damage);
  }
  buffer.stale = Rect{};
  buffer.busy = true;
  m_latest = &buffer;
  wl_surface_attach(surface, buffer.buffer, 0, 0);
  // At scale 1, which is all the saver asks for, buffer and surface coordinates are the same.
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface)) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(surface, damage.left, damage.top, damage.Width(), damage.Height());
  } else {
    wl_surface_damage(surface, damage.left, damage.top, damage.Width(), damage.Height());
  }
}

}  // namespace veltane::platform::wayland
