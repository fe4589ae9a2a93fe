#include "platform/x11/x11_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>

#include "platform/x11/x11_errors.h"

namespace veltane::platform::x11 {

namespace {

PixelLayout LayoutOf(Display* display, Visual* visual, int depth) {
  PixelLayout layout;
  layout.bitsPerPixel = 0;
  int count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count)) {
    for (int i = 0; i < count; ++i) {
      if (formats[i].depth == depth) layout.bitsPerPixel = formats[i].bits_per_pixel;
    }
    XFree(formats);
  }
  layout.msbFirst = ImageByteOrder(display) == MSBFirst;
  layout.redMask = static_cast<std::uint32_t>(visual->red_mask);
  layout.greenMask = static_cast<std::uint32_t>(visual->green_mask);
  layout.blueMask = static_cast<std::uint32_t>(visual->blue_mask);
  return layout;
}

}  // namespace

ImageCache::ImageCache(Display* display, Visual* visual, int depth)
    : m_display(display),
      m_visual(visual),
      m_depth(depth),
      m_packer(LayoutOf(display, visual, depth)),
      m_shmUsable(XShmQueryExtension(display) == True) {}

ImageCache::~ImageCache() {
  for (Slot& slot : m_slots) Release(slot);
}

XImage* ImageCache::Acquire(int width, int height) {
  if (!m_packer.Valid() || width <= 0 || height <= 0) return nullptr;
  Slot* chosen = &m_slots[0];
  for (Slot& slot : m_slots) {
    if (slot.image != nullptr && slot.image->width == width && slot.image->height == height) {
      chosen = &slot;
      break;
    }
    if (slot.lastUse < chosen->lastUse) chosen = &slot;
  }
  chosen->lastUse = ++m_uses;
  if (chosen->image != nullptr && chosen->image->width == width && chosen->image->height == height) {
    WaitForServer(*chosen);
    return chosen->image;
  }
  Release(*chosen);
  if (m_shmUsable && MakeShared(*chosen, width, height)) return chosen->image;
  return MakePlain(*chosen, width, height) ? chosen->image : nullptr;
}

void ImageCache::Put(Drawable drawable, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY, int width,
                     int height) {
  for (Slot& slot : m_slots) {
    if (slot.image != image) continue;
    const auto w = static_cast<unsigned>(width);
    const auto h = static_cast<unsigned>(height);
    if (slot.shared) {
      XShmPutImage(m_display, drawable, gc, image, srcX, srcY, dstX, dstY, w, h, False);
      slot.pending = true;
    } else {
      XPutImage(m_display, drawable, gc, image, srcX, srcY, dstX, dstY, w, h);
    }
  }
}

// The server reads a shared image when it processes the put, not when the client sends it; one round trip
// before the memory is written again is enough, and by then the next frame has usually been computed.
void ImageCache::WaitForServer(Slot& slot) {
  if (!slot.pending) return;
  XSync(m_display, False);
  slot.pending = false;
}

bool ImageCache::MakeShared(Slot& slot, int width, int height) {
  XImage* image = XShmCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, nullptr,
                                  &slot.shm, static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (image == nullptr) return false;
  const auto bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
  slot.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (slot.shm.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  void* address = shmat(slot.shm.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(slot.shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    return false;
  }
  slot.shm.shmaddr = image->data = static_cast<char*>(address);
  slot.shm.readOnly = False;
  bool attached = false;
  {
    // A server on another machine cannot see our memory and refuses the segment.
    ErrorTrap trap(m_display);
    attached = XShmAttach(m_display, &slot.shm) == True && !trap.Failed();
  }
  // Marked for removal now, so that the segment goes away with the last user even if we crash.
  shmctl(slot.shm.shmid, IPC_RMID, nullptr);
  if (!attached) {
    m_shmUsable = false;
    shmdt(slot.shm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    return false;
  }
  slot.image = image;
  slot.shared = true;
  return true;
}

bool ImageCache::MakePlain(Slot& slot, int width, int height) {
  XImage* image = XCreateImage(m_display, m_visual, static_cast<unsigned>(m_depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return false;
  const auto bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
  image->data = static_cast<char*>(std::malloc(bytes));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return false;
  }
  slot.image = image;
  slot.shared = false;
  return true;
}

void ImageCache::Release(Slot& slot) {
  if (slot.image == nullptr) return;
  if (slot.shared) {
    XShmDetach(m_display, &slot.shm);
    // The detach must reach the server before the memory goes away under it.
    XSync(m_display, False);
    shmdt(slot.shm.shmaddr);
    slot.image->data = nullptr;
  }
  XDestroyImage(slot.image);
  slot = Slot{};
}

}  // namespace veltane::platform::x11
