#pragma once
// The plain MIT-SHM loop that the benchmarks hold the saver's drawing against: what a hand-written client
// would do to show the 70 x 100 flame image, and no more.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstddef>
#include <cstdint>

namespace veltane::bench {

constexpr int kPlainWidth = 70;
constexpr int kPlainHeight = 100;
constexpr std::size_t kPlainStride = 212;

// One shared image, converted and put, with one round trip before the memory is written again, as a
// hand-written client would do it.
class PlainShmLoop {
 public:
  PlainShmLoop(Display* display, Window window) : m_display(display), m_window(window) {
    const int screen = DefaultScreen(display);
    m_image = XShmCreateImage(display, DefaultVisual(display, screen),
                              static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, nullptr, &m_shm,
                              kPlainWidth, kPlainHeight);
    m_shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(m_image->bytes_per_line) * kPlainHeight,
                         IPC_CREAT | 0600);
    m_shm.shmaddr = m_image->data = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
    m_shm.readOnly = False;
    XShmAttach(display, &m_shm);
    XSync(display, False);
    shmctl(m_shm.shmid, IPC_RMID, nullptr);
    m_gc = XCreateGC(display, window, 0, nullptr);
  }
  ~PlainShmLoop() {
    XSync(m_display, False);
    XShmDetach(m_display, &m_shm);
    XSync(m_display, False);
    shmdt(m_shm.shmaddr);
    m_image->data = nullptr;
    XDestroyImage(m_image);
    XFreeGC(m_display, m_gc);
  }
  PlainShmLoop(const PlainShmLoop&) = delete;
  PlainShmLoop& operator=(const PlainShmLoop&) = delete;

  void Frame(const std::uint8_t* bits) {
    if (m_pending) XSync(m_display, False);
    for (int y = 0; y < kPlainHeight; ++y) {
      const std::uint8_t* src = bits + static_cast<std::size_t>(kPlainHeight - 1 - y) * kPlainStride;
      auto* dst = reinterpret_cast<std::uint32_t*>(m_image->data +
                                                   static_cast<std::ptrdiff_t>(y) * m_image->bytes_per_line);
      for (int x = 0; x < kPlainWidth; ++x, src += 3) {
        dst[x] = std::uint32_t{src[0]} | std::uint32_t{src[1]} << 8 | std::uint32_t{src[2]} << 16;
      }
    }
    XShmPutImage(m_display, m_window, m_gc, m_image, 0, 0, 0, 0, kPlainWidth, kPlainHeight, False);
    XFlush(m_display);
    m_pending = true;
  }

 private:
  Display* m_display;
  Window m_window;
  XShmSegmentInfo m_shm{};
  XImage* m_image = nullptr;
  GC m_gc = nullptr;
  bool m_pending = false;
};

}  // namespace veltane::bench
