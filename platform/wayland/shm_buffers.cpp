#include "platform/wayland/shm_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>

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
  m_newSize = true;
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

ShmBuffers::Buffer* ShmBuffers::Free(std::int32_t width, std::int32_t height, const Rect& lit) {
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
  // A new buffer is black, and the picture is too outside the part it lights.
  made->stale = lit;
  m_buffers.push_back(std::move(made));
  return m_buffers.back().get();
}

bool ShmBuffers::Attach(wl_surface* surface, const Picture& picture, const Rect& damage) {
  const Rect whole = picture.Bounds();
  Buffer* buffer = Free(whole.right, whole.bottom, picture.LitBounds());
  if (buffer == nullptr) return false;
  const Rect changed = Intersect(damage, whole);
  picture.CopyTo(Union(buffer->stale, changed), buffer->pixels);
  AttachBuffer(surface, *buffer, std::exchange(m_newSize, false) ? whole : changed);
  return true;
}

bool ShmBuffers::AttachBlack(wl_surface* surface, std::int32_t width, std::int32_t height) {
  Buffer* buffer = Free(width, height, Rect{});
  if (buffer == nullptr) return false;
  AttachBuffer(surface, *buffer, Rect{0, 0, width, height});
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
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface)) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    wl_surface_damage_buffer(surface, damage.left, damage.top, damage.Width(), damage.Height());
  } else {
    wl_surface_damage(surface, damage.left, damage.top, damage.Width(), damage.Height());
  }
}

}  // namespace veltane::platform::wayland
