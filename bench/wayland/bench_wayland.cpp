// How fast the saver runs on Wayland, and what it costs the compositor: on a full-screen layer surface of a
// private headless sway (the flame window, its run loop and the Wayland backend, in this process),
//   - frames per second of the saver's own run loop computing every frame, next to a plain loop that
//     commits the same 70 x 100 image through wl_shm to the same kind of surface;
//   - resting once the flame is still against computing every frame back to back: the CPU shares of the
//     saver and of sway, and the commits a second;
//   - at the compositor's pace and, in turns with it, committing every frame as it is drawn, as the saver
//     did before it waited for the compositor's frame callbacks: the run loop's frames per second, the
//     commits a second (each wl_surface.commit that this process sends is counted on its way into
//     libwayland), and the CPU shares of the saver and of sway.
// The ways take turns for several rounds, so that a change in the machine's load touches them alike, and
// the medians are compared.
//
// sway refuses root: run it as tests/support/as-ordinary-user.sh veltane_bench_wayland [seconds per run, 1 by
// default]

#include <dlfcn.h>
#include <stdlib.h>
#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench/common/cpu_time.h"
#include "bench/saver/full_screen_run.h"
#include "bench/wayland/plain_wl_shm_loop.h"
#include "platform/platform.h"
#include "platform/wayland/wayland_backend.h"
#include "settings/settings_store.h"
#include "testing/sway_server.h"
#include "testing/temp_dir.h"

namespace {

std::atomic<long> g_commits = 0;

}  // namespace

// Every request goes through this on its way from libwayland's marshalling to the compositor: this
// executable's definition stands in front of the library's, counts the surfaces' commits and hands each
// request on to the library.
extern "C" wl_proxy* wl_proxy_marshal_array_flags(wl_proxy* proxy, std::uint32_t opcode,
                                                  const wl_interface* interface, std::uint32_t version,
                                                  std::uint32_t flags, wl_argument* args) {
  using Real = wl_proxy* (*)(wl_proxy*, std::uint32_t, const wl_interface*, std::uint32_t, std::uint32_t,
                             wl_argument*);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "wl_proxy_marshal_array_flags"));
  if (opcode == WL_SURFACE_COMMIT && std::string_view(wl_proxy_get_class(proxy)) == wl_surface_interface.name)
    ++g_commits;
  return real(proxy, opcode, interface, version, flags, args);
}

namespace {

constexpr int kRounds = 7;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct SaverRun {
  double framesPerSecond = 0;
  double commitsPerSecond = 0;
  double saverCpu = 0;
  double compositorCpu = 0;
};

// The saver's loop in a full-screen window for the given time, resting or computing every frame, at the
// compositor's pace or committing every frame; all 0 when it cannot run.
SaverRun RunSaver(double seconds, pid_t compositor, veltane::saver::Pacing pacing, bool everyFrame) {
  using namespace veltane;
  platform::WaylandConnection connection = platform::ConnectWayland({.everyFrame = everyFrame});
  if (!connection.backend) return {};
  double compositorCpuBefore = 0;
  const bench::WindowRun window =
      bench::RunWindow(std::move(connection.backend), seconds, {.pacing = pacing}, {}, [&] {
        compositorCpuBefore = bench::ProcessCpuSeconds(compositor);
        g_commits = 0;
      });
  SaverRun run;
  run.framesPerSecond = window.framesPerSecond;
  run.commitsPerSecond = static_cast<double>(g_commits) / window.seconds;
  run.saverCpu = window.saverCpu;
  run.compositorCpu = (bench::ProcessCpuSeconds(compositor) - compositorCpuBefore) / window.seconds;
  return run;
}

struct Medians {
  std::vector<double> frames, commits, saverCpu, compositorCpu;
  void Add(const SaverRun& run) {
    frames.push_back(run.framesPerSecond);
    commits.push_back(run.commitsPerSecond);
    saverCpu.push_back(run.saverCpu);
    compositorCpu.push_back(run.compositorCpu);
  }
};

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
  // The settings are the defaults, but for speed control in its own runs: a store of the benchmark's own.
  const veltane::test::TempDir configHome;
  veltane::settings::SettingsStore store("veltane", configHome.String());
  store.SetRegistryKey(veltane::settings::kRegistryKey);
  veltane::settings::UseSettingsStore(&store);

  using veltane::saver::Pacing;
  std::vector<double> plainRuns;
  Medians resting;
  Medians paced;
  Medians everyFrame;
  Medians restingSpeedControl;
  Medians speedControl;
  for (int round = 0; round < kRounds; ++round) {
    plainRuns.push_back(veltane::bench::PlainWlShmFramesPerSecond(seconds));
    resting.Add(RunSaver(seconds, sway.Pid(), Pacing::Resting, false));
    paced.Add(RunSaver(seconds, sway.Pid(), Pacing::BackToBack, false));
    everyFrame.Add(RunSaver(seconds, sway.Pid(), Pacing::BackToBack, true));
    store.WriteProfileInt(store.ProfileName(), "DelayOn", 1);
    store.WriteProfileInt(store.ProfileName(), "DelayTime", 10);
    restingSpeedControl.Add(RunSaver(seconds, sway.Pid(), Pacing::Resting, false));
    speedControl.Add(RunSaver(seconds, sway.Pid(), Pacing::BackToBack, false));
    store.WriteProfileInt(store.ProfileName(), "DelayOn", 0);
  }
  const double plain = Median(plainRuns);
  const double saver = Median(paced.frames);
  const double before = Median(everyFrame.frames);
  // The headless output's refresh timer counts whole milliseconds: 16 ms, 62.5 refreshes a second.
  std::printf("headless sway, 640x480 refreshed every 16 ms, %d rounds of %.1f s each way; medians\n",
              kRounds, seconds);
  std::printf("plain wl_shm loop:     %10.0f frames/s\n", plain);
  std::printf("every frame computed:  at the compositor's pace   every frame as drawn\n");
  std::printf("run loop:              %10.0f frames/s        %10.0f frames/s   ratio %.2f (target >= 1.00)\n",
              saver, before, before > 0 ? saver / before : 0.0);
  std::printf(
      "commits:               %10.1f a second        %10.1f a second   (target <= 62.5, one a refresh)\n",
      Median(paced.commits), Median(everyFrame.commits));
  std::printf("CPU, sway:             %10.3f s per s         %10.3f s per s\n", Median(paced.compositorCpu),
              Median(everyFrame.compositorCpu));
  std::printf("CPU, saver:            %10.3f s per s         %10.3f s per s\n", Median(paced.saverCpu),
              Median(everyFrame.saverCpu));
  std::printf("ratio saver/plain:     %10.2f (target at least 0.90)\n", plain > 0 ? saver / plain : 0.0);
  std::printf("at the compositor's pace: resting            back to back\n");
  std::printf("CPU, saver:            %10.3f s per s         %10.3f s per s   (target: resting <= 0.03)\n",
              Median(resting.saverCpu), Median(paced.saverCpu));
  std::printf("CPU, sway:             %10.3f s per s         %10.3f s per s   (target: resting <= 0.02)\n",
              Median(resting.compositorCpu), Median(paced.compositorCpu));
  std::printf("commits:               %10.1f a second        %10.1f a second\n", Median(resting.commits),
              Median(paced.commits));
  std::printf("with speed control at 10 ms:\n");
  std::printf("CPU, saver:            %10.3f s per s         %10.3f s per s   (target: resting <= 0.05)\n",
              Median(restingSpeedControl.saverCpu), Median(speedControl.saverCpu));
  std::printf("CPU, sway:             %10.3f s per s         %10.3f s per s\n",
              Median(restingSpeedControl.compositorCpu), Median(speedControl.compositorCpu));
  veltane::settings::UseSettingsStore(nullptr);
  return saver > 0 && plain > 0 ? 0 : 1;
}
