#pragma once
// The flame window full screen over a backend, with its run loop in this process for a given time: what
// the benchmarks measure the saver by, on any window system.

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

#include "bench/saver/counting_backend.h"
#include "platform/app.h"
#include "platform/platform.h"
#include "saver/flame_wnd.h"

namespace veltane::bench {

// Runs the loop for the given seconds; started runs once the window is up, just before the loop. Returns
// the loop's frames per second.
inline double RunFullScreen(std::unique_ptr<platform::Backend> real, double seconds,
                            const std::function<void()>& started) {
  auto counting = std::make_unique<CountingBackend>(std::move(real));
  CountingBackend* backend = counting.get();
  platform::SetBackend(std::move(counting));
  platform::WinApp app;
  auto* wnd = new saver::FlameWnd(true);
  const platform::Rect screen{0, 0, platform::GetSystemMetrics(platform::SM_CXSCREEN),
                              platform::GetSystemMetrics(platform::SM_CYSCREEN)};
  wnd->CreateFlameWindow(platform::WS_EX_TOPMOST, platform::WS_POPUP | platform::WS_VISIBLE, screen, 0, 0,
                         nullptr);
  app.m_pMainWnd = wnd;
  started();
  backend->CloseAfter(wnd->GetSafeHwnd(), std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(seconds)));
  platform::Msg msg;
  while (platform::GetMessage(&msg)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
  const double framesPerSecond = backend->FlameFramesPerSecond();
  platform::SetBackend(nullptr);
  return framesPerSecond;
}

}  // namespace veltane::bench
