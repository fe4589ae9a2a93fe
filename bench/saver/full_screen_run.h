#pragma once
// The flame window over a backend, full screen or in a host's window, with its run loop in this process for
// a given time, resting or computing every frame: what the benchmarks measure the saver by, on any window
// system.

#include <time.h>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

#include "bench/saver/counting_backend.h"
#include "platform/app.h"
#include "platform/platform.h"
#include "saver/flame_wnd.h"
#include "saver/saver_wnd.h"

namespace veltane::bench {

// CPU seconds of the calling thread, so that a helper thread of the benchmark's own is not counted.
inline double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct WindowRun {
  double framesPerSecond = 0;  // Flame frames drawn a second, between the first and the last.
  long frames = 0;
  double saverCpu = 0;  // The run loop's share of a core, from the moment the window is up.
  double seconds = 0;   // How long it ran from that moment.
  std::chrono::steady_clock::time_point ended;  // When the loop had ended, before anything was torn down.
};

// Where the window runs: in a host's window, or full screen, where the saver's own window ends at the user's
// input and a plain flame window does not.
struct Place {
  platform::HWND host = 0;
  bool endsOnInput = false;
};

// Runs the flame window's loop for the given seconds; started runs once the window is up, just before the
// loop. The window closes itself from inside its own message step once the time is up.
inline WindowRun RunWindow(
    std::unique_ptr<platform::Backend> real, double seconds, const saver::FlameWndOptions& options,
    const Place& place = {}, const std::function<void()>& started = [] {}) {
  auto counting = std::make_unique<CountingBackend>(std::move(real));
  CountingBackend* backend = counting.get();
  platform::SetBackend(std::move(counting));
  platform::WinApp app;
  saver::FlameWnd* wnd = nullptr;
  if (place.endsOnInput) {
    auto* saverWnd = new saver::SaverWnd(options);
    saverWnd->CreateFullScreen();
    wnd = saverWnd;
  } else if (place.host != 0) {
    wnd = new saver::FlameWnd(true, options);
    platform::Rect client;
    platform::GetClientRect(place.host, &client);
    wnd->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE, client, place.host, 0, nullptr);
  } else {
    wnd = new saver::FlameWnd(true, options);
    const platform::Rect screen{0, 0, platform::GetSystemMetrics(platform::SM_CXSCREEN),
                                platform::GetSystemMetrics(platform::SM_CYSCREEN)};
    wnd->CreateFlameWindow(platform::WS_EX_TOPMOST, platform::WS_POPUP | platform::WS_VISIBLE, screen, 0, 0,
                           nullptr);
  }
  app.m_pMainWnd = wnd;
  started();
  const double cpuBefore = ThreadCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  backend->CloseAfter(wnd->GetSafeHwnd(), std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(seconds)));
  platform::Msg msg;
  while (platform::GetMessage(&msg)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
  WindowRun run;
  run.ended = std::chrono::steady_clock::now();
  run.seconds = std::chrono::duration<double>(run.ended - start).count();
  run.saverCpu = (ThreadCpuSeconds() - cpuBefore) / run.seconds;
  run.framesPerSecond = backend->FlameFramesPerSecond();
  run.frames = backend->FlameFrames();
  platform::SetBackend(nullptr);
  return run;
}

}  // namespace veltane::bench
