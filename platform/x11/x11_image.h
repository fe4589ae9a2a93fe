#pragma once
// Client-side images in the window's pixel format, put on the server through shared memory where it offers
// that, and plainly otherwise. A shared image is written again only once the server has read it, which its
// completion event tells; until then the next frame goes into another image of the same size, so that the
// client never waits on the server between frames. Images of two sizes stay side by side, so that the
// flame, drawn every frame, and a stage image, drawn now and then, never make each other reallocate.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/picture.h"
#include "platform/x11/x11_pixels.h"

namespace veltane::platform::x11 {

class ImageCache {
 public:
  // Shared images of one size that may be on their way to the server at once.
  static constexpr int kImagesPerSize = 3;

  ImageCache(Display* display, Visual* visual, int depth);
  ~ImageCache();
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;

  // An image of exactly this size whose memory the server no longer reads, or nullptr when none can be made.
  // When every shared image of that size is still being read, waits for the server to finish the oldest.
  XImage* Acquire(int width, int height);
  // Puts part of an image acquired here; the caller flushes once its puts are done.
  void Put(Drawable drawable, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY, int width,
           int height);
  // Whether the event is the server's report that it has read one of our shared images. The report needs
  // no handling of its own: reading it is what frees the image.
  bool IsCompletion(const XEvent& event) const {
    return m_completionType != 0 && event.type == m_completionType;
  }

  // Writes the picture's screen pixels of area into an image acquired here, of the area's size, in the
  // window's pixel format.
  void Compose(XImage* image, const Picture& picture, const Rect& area);

 private:
  struct Slot {
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;
    // The request that last put the image. The server's completion event, or its error should the put
    // have failed, carries that request's number; once it has been read, the memory is free again.
    unsigned long lastPut = 0;
    bool pending = false;
    std::uint64_t lastUse = 0;
  };

  bool Busy(Slot& slot);
  Slot* Vacate(int width, int height);
  bool Make(Slot& slot, int width, int height);
  bool MakeShared(Slot& slot, int width, int height);
  bool MakePlain(Slot& slot, int width, int height);
  void Release(Slot& slot);
  void WaitForServer(Slot& slot);

  Display* m_display;
  Visual* m_visual;
  int m_depth;
  PixelPacker m_packer;
  bool m_shmUsable;
  int m_completionType = 0;
  std::array<Slot, 2 * kImagesPerSize> m_slots;
  std::uint64_t m_uses = 0;
  std::vector<std::uint32_t> m_line;  // One line of screen pixels, for a format that needs packing.
};

}  // namespace veltane::platform::x11
