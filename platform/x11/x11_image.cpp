#include "platform/x11/x11_image.h"

#include <X11/Xutil.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cassert>
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
      m_shmUsable(XShmQueryExtension(display) == True) {
  if (m_shmUsable) m_completionType = XShmGetEventBase(display) + ShmCompletion;
}

ImageCache::~ImageCache() {
  for (Slot& slot : m_slots) Release(slot);
}

XImage* ImageCache::Acquire(int width, int height) {
  if (!m_packer.Valid() || width <= 0 || height <= 0) return nullptr;
  Slot* chosen = nullptr;
  Slot* oldestBusy = nullptr;
  int ofThisSize = 0;
  for (Slot& slot : m_slots) {
    if (slot.image == nullptr || slot.image->width != width || slot.image->height != height) continue;
    ++ofThisSize;
    Slot*& best = Busy(slot) ? oldestBusy : chosen;
    if (best == nullptr || slot.lastUse < best->lastUse) best = &slot;
  }
  if (chosen == nullptr && ofThisSize < kImagesPerSize) {
    Slot* vacant = Vacate(width, height);
    if (Make(*vacant, width, height)) chosen = vacant;
  }
  if (chosen == nullptr && oldestBusy != nullptr) {
    WaitForServer(*oldestBusy);
    chosen = oldestBusy;
  }
  if (chosen == nullptr) return nullptr;
  chosen->lastUse = ++m_uses;
  return chosen->image;
}

void ImageCache::Put(Drawable drawable, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY,
                     int width, int height) {
  for (Slot& slot : m_slots) {
    if (slot.image != image) continue;
    const auto w = static_cast<unsigned>(width);
    const auto h = static_cast<unsigned>(height);
    if (slot.shared) {
      XShmPutImage(m_display, drawable, gc, image, srcX, srcY, dstX, dstY, w, h, True);
      slot.lastPut = NextRequest(m_display) - 1;
      slot.pending = true;
    } else {
      XPutImage(m_display, drawable, gc, image, srcX, srcY, dstX, dstY, w, h);
    }
  }
}

// Xlib notes the number of the last request the server has answered whenever it reads an event, a reply or
// an error; a put is done once that number has reached it. No request is sent to find out.
bool ImageCache::Busy(Slot& slot) {
  if (!slot.pending) return false;
  if (static_cast<long>(LastKnownRequestProcessed(m_display) - slot.lastPut) < 0) return true;
  slot.pending = false;
  return false;
}

// An empty slot, or else the one least recently used by images of another size.
ImageCache::Slot* ImageCache::Vacate(int width, int height) {
  Slot* chosen = nullptr;
  for (Slot& slot : m_slots) {
    if (slot.image == nullptr) return &slot;
    if (slot.image->width == width && slot.image->height == height) continue;
    if (chosen == nullptr || slot.lastUse < chosen->lastUse) chosen = &slot;
  }
  assert(chosen != nullptr);  // A size holds at most kImagesPerSize of the slots.
  Release(*chosen);
  return chosen;
}

// The common format takes the screen pixels straight into the image; any other is packed a line at a time.
void ImageCache::Compose(XImage* image, const Picture& picture, const Rect& area) {
  const int width = area.Width();
  if (m_packer.TakesWords()) {
    const Surface target{reinterpret_cast<std::uint32_t*>(image->data), width, area.Height(),
                         image->bytes_per_line / static_cast<int>(sizeof(std::uint32_t))};
    picture.CopyTo(area, target, area.left, area.top);
    return;
  }
  m_line.resize(static_cast<std::size_t>(width));
  const Surface line{m_line.data(), width, 1, width};
  auto* out = reinterpret_cast<std::uint8_t*>(image->data);
  const auto stride = static_cast<std::size_t>(image->bytes_per_line);
  for (std::int32_t row = area.top; row < area.bottom; ++row, out += stride) {
    picture.CopyTo(Rect{area.left, row, area.right, row + 1}, line, area.left, row);
    m_packer.PackRgbWords(m_line.data(), m_line.size(), width, 1, out, stride);
  }
}

bool ImageCache::Make(Slot& slot, int width, int height) {
  return (m_shmUsable && MakeShared(slot, width, height)) || MakePlain(slot, width, height);
}

// Reads the connection until the put's completion has come. XFlush sends what is buffered and reads
// whatever has arrived, even when events are already queued; a server that stays silent for long (another
// client may hold it grabbed) is asked outright with a round trip, which ends the wait all the same.
void ImageCache::WaitForServer(Slot& slot) {
  constexpr int kPatienceMs = 100;
  XFlush(m_display);
  while (Busy(slot)) {
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    if (poll(&connection, 1, kPatienceMs) == 0) {
      XSync(m_display, False);
    } else {
      XFlush(m_display);
    }
  }
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
