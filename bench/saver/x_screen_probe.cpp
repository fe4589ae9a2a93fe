#include "bench/saver/x_screen_probe.h"

#include "bench/common/plain_shm_loop.h"
#include "testing/x_screen.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace veltane::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 70;
constexpr int kHeight = 100;
constexpr std::size_t kStride = 212;
// Stage 0's flame on a 1920 x 1080 screen.
constexpr int kFlameX = 924;
constexpr int kFlameY = 365;
constexpr int kFlamePixelsWhenBurning = 20;

}  // namespace

struct XScreenProbe::State {
  Display* display = nullptr;
  Window root = None;
};

XScreenProbe::XScreenProbe(std::string displayName)
    : m_displayName(std::move(displayName)), m_state(std::make_unique<State>()) {}

XScreenProbe::~XScreenProbe() {
  if (m_state->display != nullptr) XCloseDisplay(m_state->display);
}

bool XScreenProbe::Open() {
  m_state->display = XOpenDisplay(m_displayName.c_str());
  if (m_state->display == nullptr) return false;
  m_state->root = DefaultRootWindow(m_state->display);
  return XShmQueryExtension(m_state->display) != 0;
}

platform::HWND XScreenProbe::MakeHost(int width, int height) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window host = XCreateWindow(m_state->display, m_state->root, 0, 0, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWOverrideRedirect, &attributes);
  XMapWindow(m_state->display, host);
  XSync(m_state->display, False);
  return static_cast<platform::HWND>(host);
}

void XScreenProbe::DestroyWindow(platform::HWND window) {
  XDestroyWindow(m_state->display, Window{window});
  XSync(m_state->display, False);
}

double XScreenProbe::PlainShmFramesPerSecond(double seconds) {
  const platform::HWND window = MakeHost(kWidth, kHeight);
  std::vector<std::uint8_t> bits(kStride * kHeight);
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i * 37 + 11);
  long frames = 0;
  double elapsed = 0;
  {
    PlainShmLoop loop(m_state->display, window);
    const auto start = Clock::now();
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto first = start;
    auto last = start;
    while (last < end) {
      // The flame changes every frame; so does this image, by one byte.
      bits[static_cast<std::size_t>(frames) % bits.size()] ^= 0x55;
      loop.Frame(bits.data());
      last = Clock::now();
      if (frames++ == 0) first = last;
    }
    // Counted as the saver's frames are: the frames after the first, over the time from its end to the
    // last's.
    elapsed = std::chrono::duration<double>(last - first).count();
  }
  DestroyWindow(window);
  return frames > 1 && elapsed > 0 ? static_cast<double>(frames - 1) / elapsed : 0;
}

int XScreenProbe::FlamePixels() {
  return test::CountPixels(m_state->display, m_state->root, {kFlameX, kFlameY, kWidth, kHeight},
                           test::IsFlaming);
}

bool XScreenProbe::WaitForFlame(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (FlamePixels() < kFlamePixelsWhenBurning) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

bool XScreenProbe::WaitForNoFlame(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (FlamePixels() > 0) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

Clock::time_point XScreenProbe::PressKey() {
  const auto pressed = Clock::now();
  test::TapKey(m_state->display, XK_space);
  return pressed;
}

}  // namespace veltane::bench
