#pragma once
// The pixel buffers of one surface, in shared memory that the compositor reads. A buffer the compositor
// still holds is never written; the surface takes whichever is free and brings it up to date where it
// differs from what the surface shows, so that nothing ever waits on the compositor to draw.

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dib.h"
#include "platform/picture.h"
#include "platform/win_types.h"

namespace veltane::platform::wayland {

class ShmBuffers {
 public:
  ShmBuffers(wl_shm* shm, std::uint32_t format) : m_shm(shm), m_format(format) {}
  ~ShmBuffers();
  ShmBuffers(const ShmBuffers&) = delete;
  ShmBuffers& operator=(const ShmBuffers&) = delete;

  // Attaches a free buffer that shows the picture, and damages what changed since the last one (all of it
  // at a new size); the caller commits. The picture differs from what the surface shows only inside
  // damage. False, with nothing attached, when every buffer is held and no more may be made (or memory for
  // one cannot be had).
  bool Attach(wl_surface* surface, const Picture& picture, const Rect& damage);
  // For a surface that shows nothing but black, whose buffers are black from the start: attaches a free
  // one of the given size and damages all of it; the caller commits.
  bool AttachBlack(wl_surface* surface, std::int32_t width, std::int32_t height);

 private:
  struct Buffer {
    wl_buffer* buffer = nullptr;
    void* memory = nullptr;
    std::size_t bytes = 0;
    Surface pixels;
    bool busy = false;
    Rect stale;  // What was attached from other buffers since this one was last brought up to date.
  };
  // A buffer of the given size that the compositor does not hold; a change of size starts again. A new
  // buffer is black, and out of date where the picture lights anything.
  Buffer* Free(std::int32_t width, std::int32_t height, const Rect& lit);
  std::unique_ptr<Buffer> Make(std::int32_t width, std::int32_t height);
  void Discard();
  void AttachBuffer(wl_surface* surface, Buffer& buffer, const Rect& damage);

  wl_shm* m_shm;
  std::uint32_t m_format;
  std::vector<std::unique_ptr<Buffer>> m_buffers;
  Buffer* m_latest = nullptr;  // The last one attached, which is the least out of date.
  bool m_newSize = true;       // Nothing has been attached at the buffers' size yet.
};

}  // namespace veltane::platform::wayland
