#pragma once
// The benchmark's own connection to the X server: it plays the preview host and the user, watches the
// screen for the flame, and runs the plain MIT-SHM loop that the saver is measured against.

#include <chrono>
#include <memory>
#include <string>

#include "platform/win_types.h"

namespace veltane::bench {

class XScreenProbe {
 public:
  explicit XScreenProbe(std::string displayName);
  ~XScreenProbe();
  XScreenProbe(const XScreenProbe&) = delete;
  XScreenProbe& operator=(const XScreenProbe&) = delete;

  bool Open();
  platform::HWND MakeHost(int width, int height);
  void DestroyWindow(platform::HWND window);
  // Frames per second of a plain loop that converts the 70 x 100 image into shared memory and puts it.
  double PlainShmFramesPerSecond(double seconds);
  // Waits until the full-screen flame of stage 0 burns on a 1920 x 1080 screen; false after timeout.
  bool WaitForFlame(std::chrono::milliseconds timeout);
  // Waits until no flame shows there any more.
  bool WaitForNoFlame(std::chrono::milliseconds timeout);
  // Presses and releases a key; returns when the server has the press.
  std::chrono::steady_clock::time_point PressKey();

 private:
  int FlamePixels();

  std::string m_displayName;
  struct State;
  std::unique_ptr<State> m_state;
};

}  // namespace veltane::bench
