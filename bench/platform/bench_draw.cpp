// Draws the 70 x 100 flame image as fast as it can, through the X11 backend (drawn, then a poll, as the
// run loop does: the backend puts what changed once a refresh of the display) and through a plain MIT-SHM
// loop written here that puts every frame (convert into shared memory, put, flush, and one round trip
// before the memory is written again), and prints both rates and their ratio. The two take turns in short
// rounds so that a change in the machine's load touches both alike.
//
// Usage: veltane_bench_draw [seconds per loop] [--display NAME]; without --display it starts its own Xvfb.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/common/plain_shm_loop.h"
#include "platform/input.h"
#include "platform/x11/x11_backend.h"
#include "testing/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using veltane::platform::Backend;
using veltane::platform::DibView;

constexpr int kWidth = 70;
constexpr int kHeight = 100;
constexpr std::size_t kStride = 212;
constexpr int kRounds = 6;

std::vector<std::uint8_t> FlameBits() {
  std::vector<std::uint8_t> bits(kStride * kHeight);
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return bits;
}

using veltane::bench::PlainShmLoop;

struct Count {
  long frames = 0;
  double seconds = 0;  // As measured, the last frame's overrun of the round included.
};

template <typename Frame>
void RunFor(std::chrono::duration<double> duration, std::vector<std::uint8_t>& bits, Count& count,
            Frame frame) {
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(duration);
  auto now = start;
  while (now < end) {
    // The flame changes every frame; so does this image, by one byte, at the same cost to both loops.
    bits[static_cast<std::size_t>(count.frames) % bits.size()] ^= 0x55;
    frame(bits.data());
    ++count.frames;
    now = Clock::now();
  }
  count.seconds += std::chrono::duration<double>(now - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 3.0;
  std::optional<std::string> displayName;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc) {
      displayName = argv[++i];
    } else {
      seconds = std::atof(argv[i]);
    }
  }
  if (seconds <= 0) seconds = 3.0;
  std::unique_ptr<veltane::test::XvfbServer> server;
  if (!displayName) {
    server = std::make_unique<veltane::test::XvfbServer>();
    if (!server->Running()) {
      std::fprintf(stderr, "cannot start Xvfb: %s\n", server->Error().c_str());
      return 1;
    }
    displayName = server->DisplayName();
  }
  Display* display = XOpenDisplay(displayName->c_str());
  std::unique_ptr<Backend> backend = veltane::platform::CreateX11Backend(displayName->c_str());
  if (display == nullptr || backend == nullptr) {
    std::fprintf(stderr, "cannot open display %s\n", displayName->c_str());
    return 1;
  }
  if (!XShmQueryExtension(display)) {
    std::fprintf(stderr, "the server offers no MIT-SHM\n");
    return 1;
  }
  // One host window: the backend's child covers its left half, the plain loop draws into its right half.
  const int screen = DefaultScreen(display);
  const Window host = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 2 * kWidth + 20,
                                          kHeight + 20, 0, 0, BlackPixel(display, screen));
  XMapWindow(display, host);
  XSync(display, False);
  const auto hwnd = backend->CreateChildWindow(static_cast<veltane::platform::HWND>(host),
                                               veltane::platform::Rect{0, 0, kWidth, kHeight}, true);
  const Window plainWindow =
      XCreateSimpleWindow(display, host, kWidth + 10, 0, kWidth, kHeight, 0, 0, BlackPixel(display, screen));
  XMapWindow(display, plainWindow);
  XSync(display, False);

  std::vector<std::uint8_t> bits = FlameBits();
  DibView dib;
  dib.header.biWidth = kWidth;
  dib.header.biHeight = kHeight;
  dib.header.biBitCount = 24;
  dib.bits = bits;
  auto plain = std::make_unique<PlainShmLoop>(display, plainWindow);
  const auto round = std::chrono::duration<double>(seconds / kRounds);
  Count backendCount;
  Count plainCount;
  veltane::platform::PendingEvents events;
  for (int i = 0; i < kRounds; ++i) {
    RunFor(round, bits, backendCount, [&](const std::uint8_t*) {
      const auto dc = backend->GetDC(hwnd);
      backend->DrawDib(dc, 0, 0, dib);
      backend->ReleaseDC(hwnd, dc);
      backend->PollEvents(events);
    });
    RunFor(round, bits, plainCount, [&](const std::uint8_t* data) { plain->Frame(data); });
  }
  const double backendFps = static_cast<double>(backendCount.frames) / backendCount.seconds;
  const double plainFps = static_cast<double>(plainCount.frames) / plainCount.seconds;
  std::printf("display %s, %dx%d 24-bit image, %.1f s per loop\n", displayName->c_str(), kWidth, kHeight,
              seconds);
  std::printf("backend DrawDib, poll:%10.0f frames/s\n", backendFps);
  std::printf("plain XShmPutImage:  %10.0f frames/s\n", plainFps);
  std::printf("ratio backend/plain: %10.3f\n", backendFps / plainFps);
  plain.reset();
  backend.reset();
  XCloseDisplay(display);
  return 0;
}
