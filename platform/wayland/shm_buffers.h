#pragma once
// The pixel buffers of one surface, in shared memory that the compositor reads. A buffer the compositor
// still holds is never drawn into; the surface takes whichever is free, brought up to date with what was
// committed since it was last shown, so that a frame waits on the compositor only when none is free.

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform::wayland {

class ShmBuffers {
 public:
  ShmBuffers(wl_shm* shm, std::uint32_t format) : m_shm(shm), m_format(format) {}
  ~ShmBuffers();
  ShmBuffers(const ShmBuffers&) = delete;
  ShmBuffers& operator=(const ShmBuffers&) = delete;

  // A free buffer of the given size holding the surface's latest content, or nullptr when every buffer is
  // held by the compositor and no more may be made (or memory for one cannot be had). A change of size
  // starts again from black buffers.
  Surface* Acquire(std::int32_t width, std::int32_t height);
  // Attaches the buffer last acquired, damages rect and commits.
  void Commit(wl_surface* surface, const Rect& damage);

 private:
  struct Buffer {
    wl_buffer* buffer = nullptr;
    void* memory = nullptr;
    std::size_t bytes = 0;
    Surface pixels;
    bool busy = false;
    Rect stale;  // What was committed from other buffers since this one was last brought up to date.
  };
  std::unique_ptr<Buffer> Make(std::int32_t width, std::int32_t height);
  void Discard();
  void CopyStale(Buffer& target, const Buffer& latest);

  wl_shm* m_shm;
  std::uint32_t m_format;
  std::vector<std::unique_ptr<Buffer>> m_buffers;
  Buffer* m_acquired = nullptr;
  Buffer* m_latest = nullptr;  // The last one committed: it holds everything the surface shows.
};

}  // namespace veltane::platform::wayland
