// How fast the saver runs on Wayland: frames per second of the saver's own run loop on a full-screen
// layer surface of a private headless sway (the flame window, its run loop and the Wayland backend, in this
// process), next to a plain loop that commits the same 70 x 100 image through wl_shm to the same kind of
// surface. The two take turns for several rounds, so that a change in the machine's load touches both
// alike, and the medians are compared.
//
// sway refuses root: run it as tests/support/as-ordinary-user.sh veltane_bench_wayland [seconds per run, 1 by
// default]

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/saver/counting_backend.h"
#include "bench/wayland/plain_wl_shm_loop.h"
#include "platform/app.h"
#include "platform/platform.h"
#include "platform/wayland/wayland_backend.h"
#include "saver/flame_wnd.h"
#include "testing/sway_server.h"

namespace {

constexpr int kRounds = 7;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The saver's loop in a full-screen window for the given time; 0 when it cannot run.
double SaverFramesPerSecond(double seconds) {
  using namespace veltane;
  platform::WaylandConnection connection = platform::ConnectWayland();
  if (!connection.backend) return 0;
  auto counting = std::make_unique<bench::CountingBackend>(std::move(connection.backend));
  bench::CountingBackend* backend = counting.get();
  platform::SetBackend(std::move(counting));
  platform::WinApp app;
  auto* wnd = new saver::FlameWnd(true);
  const platform::Rect screen{0, 0, platform::GetSystemMetrics(platform::SM_CXSCREEN),
                              platform::GetSystemMetrics(platform::SM_CYSCREEN)};
  wnd->CreateFlameWindow(platform::WS_EX_TOPMOST, platform::WS_POPUP | platform::WS_VISIBLE, screen, 0, 0,
                         nullptr);
  app.m_pMainWnd = wnd;
  backend->CloseAfter(wnd->GetSafeHwnd(), std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                              std::chrono::duration<double>(seconds)));
  platform::Msg msg;
  while (platform::GetMessage(&msg)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
  const double result = backend->FlameFramesPerSecond();
  platform::SetBackend(nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 1.0;
  veltane::test::SwayServer sway;
  if (!sway.Running()) {
    std::fprintf(stderr, "cannot start sway: %s\n", sway.Error().c_str());
    return 1;
  }
  // The settings are the defaults: a configuration folder of the compositor's own, with nothing in it.
  sway.ExportClientEnvironment();
  setenv("XDG_CONFIG_HOME", (std::string(getenv("XDG_RUNTIME_DIR")) + "/config").c_str(), 1);

  std::vector<double> plainRuns;
  std::vector<double> saverRuns;
  for (int round = 0; round < kRounds; ++round) {
    plainRuns.push_back(veltane::bench::PlainWlShmFramesPerSecond(seconds));
    saverRuns.push_back(SaverFramesPerSecond(seconds));
  }
  const double plain = Median(plainRuns);
  const double saver = Median(saverRuns);
  std::printf("plain wl_shm loop: %.0f frames/s (median of %d)\n", plain, kRounds);
  std::printf("saver on Wayland:  %.0f frames/s (median of %d)\n", saver, kRounds);
  std::printf("ratio:             %.2f (target at least 0.90)\n", plain > 0 ? saver / plain : 0.0);
  return saver > 0 && plain > 0 ? 0 : 1;
}
