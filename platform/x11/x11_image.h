#pragma once
// Client-side images in the window's pixel format, put on the server through shared memory where it offers
// that, and plainly otherwise. The two most recently used sizes are kept, so that the flame, drawn every
// frame, and a stage image, drawn now and then, never make each other reallocate.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <array>
#include <cstdint>

#include "platform/x11/x11_pixels.h"

namespace veltane::platform::x11 {

class ImageCache {
 public:
  ImageCache(Display* display, Visual* visual, int depth);
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // An image of exactly this size whose memory the server no longer reads, or nullptr when none can be made.
  XImage* Acquire(int width, int height);
  // Puts part of an image acquired here; the caller flushes once its puts are done.
  void Put(Drawable drawable, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY, int width, int height);

  const PixelPacker& Packer() const { return m_packer; }

 private:
  struct Slot {
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;
    bool pending = false;  // A shared-memory put that the server may not have read yet.
    std::uint64_t lastUse = 0;
  };

  bool MakeShared(Slot& slot, int width, int height);
  bool MakePlain(Slot& slot, int width, int height);
  void Release(Slot& slot);
  void WaitForServer(Slot& slot);

  Display* m_display;
  Visual* m_visual;
  int m_depth;
  PixelPacker m_packer;
  bool m_shmUsable;
  std::array<Slot, 2> m_slots;
  std::uint64_t m_uses = 0;
};

}  // namespace veltane::platform::x11
