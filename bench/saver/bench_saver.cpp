// How fast the saver runs on a private X server of 1920 x 1080, what it costs the server, and how quickly
// it starts and stops:
//   - frames per second of the saver's own run loop in preview mode (the flame window, its run loop and
//     the X11 backend, in this process), next to a plain MIT-SHM loop of the same 70 x 100 image that makes
//     one round trip a frame before its shared image is written again. The saver does not wait on the
//     server between frames: it draws into its own picture, and puts what changed once a refresh;
//   - the system calls the saver makes a frame, counted by strace -c -f attached to this process over a
//     preview of its own (strace slows that preview down, so its frames are not the ones timed);
//   - the CPU time that the saver and the X server take meanwhile;
//   - full screen, in this process, at the display's pace and, in turns with it, sending every frame as
//     it is drawn, as the saver did before it kept the display's pace: the run loop's frames per second,
//     the images that reach the server a second (its RECORD extension counts them), and the CPU shares of
//     the saver and of the X server;
//   - the real program: from its start to the first flame on the screen, and from an injected key press to
//     its exit in full-screen mode (medians of 20 runs).
//
// Usage: veltane_bench_saver [seconds of preview and of each full-screen way]

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/cpu_time.h"
#include "bench/saver/counting_backend.h"
#include "bench/saver/full_screen_run.h"
#include "bench/saver/put_counter.h"
#include "bench/saver/system_calls.h"
#include "bench/saver/x_screen_probe.h"
#include "platform/app.h"
#include "platform/platform.h"
#include "platform/refresh_pacer.h"
#include "platform/x11/x11_backend.h"
#include "saver/flame_wnd.h"
#include "settings/settings_store.h"
#include "testing/saver_process.h"
#include "testing/temp_dir.h"
#include "testing/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kRuns = 20;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct PreviewResult {
  long frames = 0;
  long systemCalls = -1;  // Counted only when asked for.
  double framesPerSecond = 0;
  double saverCpu = 0;
  double serverCpu = 0;
};

// The saver's own loop in a 320 x 240 preview, for the given time; with countCalls, under strace.
PreviewResult RunPreview(const std::string& displayName, veltane::bench::XScreenProbe& probe, double seconds,
                         pid_t server, bool countCalls = false) {
  using namespace veltane;
  auto counting = std::make_unique<bench::CountingBackend>(platform::CreateX11Backend(displayName.c_str()));
  bench::CountingBackend* backend = counting.get();
  platform::SetBackend(std::move(counting));
  const platform::HWND host = probe.MakeHost(320, 240);

  platform::WinApp app;
  auto* wnd = new saver::FlameWnd(true);
  wnd->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, 320, 240}, host, 0, nullptr);
  app.m_pMainWnd = wnd;
  const platform::HWND hwnd = wnd->GetSafeHwnd();
  const double saverCpuBefore = bench::OwnCpuSeconds();
  const double serverCpuBefore = bench::ProcessCpuSeconds(server);
  const auto start = Clock::now();
  backend->CloseAfter(hwnd,
                      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
  const auto loop = [] {
    platform::Msg msg;
    while (platform::GetMessage(&msg)) {
      platform::TranslateMessage(msg);
      platform::DispatchMessage(msg);
    }
  };
  PreviewResult result;
  if (countCalls) {
    result.systemCalls = bench::CountSystemCalls(loop);
  } else {
    loop();
  }
  const double elapsed = Seconds(Clock::now() - start);
  result.frames = backend->FlameFrames();
  result.framesPerSecond = backend->FlameFramesPerSecond();
  result.saverCpu = (bench::OwnCpuSeconds() - saverCpuBefore) / elapsed;
  result.serverCpu = (bench::ProcessCpuSeconds(server) - serverCpuBefore) / elapsed;
  platform::SetBackend(nullptr);
  probe.DestroyWindow(host);
  return result;
}

struct FullScreenResult {
  double framesPerSecond = 0;
  double picturesPerSecond = 0;
  double saverCpu = 0;
  double serverCpu = 0;
};

// The saver's own loop in a full-screen window for the given time, at the display's pace or sending every
// frame as it is drawn.
FullScreenResult RunFullScreen(const std::string& displayName, double seconds, pid_t server,
                               veltane::bench::PutCounter& puts, bool everyFrame) {
  using namespace veltane;
  if (everyFrame) setenv(platform::kEveryFrameForMeasurement, "1", 1);
  std::unique_ptr<platform::Backend> backend = platform::CreateX11Backend(displayName.c_str());
  unsetenv(platform::kEveryFrameForMeasurement);
  bool counted = false;
  double saverCpuBefore = 0;
  double serverCpuBefore = 0;
  Clock::time_point start;
  FullScreenResult result;
  result.framesPerSecond = bench::RunFullScreen(std::move(backend), seconds, [&] {
    counted = puts.Start();
    saverCpuBefore = bench::OwnCpuSeconds();
    serverCpuBefore = bench::ProcessCpuSeconds(server);
    start = Clock::now();
  });
  const double elapsed = Seconds(Clock::now() - start);
  result.saverCpu = (bench::OwnCpuSeconds() - saverCpuBefore) / elapsed;
  result.serverCpu = (bench::ProcessCpuSeconds(server) - serverCpuBefore) / elapsed;
  result.picturesPerSecond = counted ? static_cast<double>(puts.Stop()) / elapsed : -1;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace veltane;
  const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 3.0;

  test::XvfbServer::Options options;
  options.width = 1920;
  options.height = 1080;
  test::XvfbServer server(options);
  if (!server.Running()) {
    std::fprintf(stderr, "cannot start Xvfb: %s\n", server.Error().c_str());
    return 1;
  }
  const std::string displayName = server.DisplayName();
  const pid_t serverPid = server.Pid();
  const test::TempDir configHome;
  settings::SettingsStore store("veltane", configHome.String());
  store.SetRegistryKey(settings::kRegistryKey);
  settings::UseSettingsStore(&store);

  bench::XScreenProbe probe(displayName);
  if (!probe.Open()) {
    std::fprintf(stderr, "cannot open display %s\n", displayName.c_str());
    return 1;
  }

  // The plain loop and the saver take turns, so that a change in the machine's load touches both alike.
  constexpr int kRounds = 3;
  double saverFps = 0;
  double plainFps = 0;
  double saverCpu = 0;
  double serverCpu = 0;
  for (int round = 0; round < kRounds; ++round) {
    const PreviewResult preview = RunPreview(displayName, probe, seconds / kRounds, serverPid);
    saverFps += preview.framesPerSecond / kRounds;
    saverCpu += preview.saverCpu / kRounds;
    serverCpu += preview.serverCpu / kRounds;
    plainFps += probe.PlainShmFramesPerSecond(seconds / kRounds) / kRounds;
  }

  constexpr double kTracedSeconds = 2;
  const PreviewResult traced = RunPreview(displayName, probe, kTracedSeconds, serverPid, true);

  // Paced and sending every frame take turns too.
  bench::PutCounter puts(displayName);
  FullScreenResult paced;
  FullScreenResult everyFrame;
  const auto add = [](FullScreenResult& sum, const FullScreenResult& round) {
    sum.framesPerSecond += round.framesPerSecond / kRounds;
    sum.picturesPerSecond += round.picturesPerSecond / kRounds;
    sum.saverCpu += round.saverCpu / kRounds;
    sum.serverCpu += round.serverCpu / kRounds;
  };
  for (int round = 0; round < kRounds; ++round) {
    add(paced, RunFullScreen(displayName, seconds / kRounds, serverPid, puts, false));
    add(everyFrame, RunFullScreen(displayName, seconds / kRounds, serverPid, puts, true));
  }

  // The real program, at the display's pace and sending every frame, in turns.
  std::vector<double> firstFlame[2];
  std::vector<double> keyToExit[2];
  for (int run = 0; run < 2 * kRuns; ++run) {
    const int way = run % 2;
    const std::vector<std::string> environment =
        way == 0 ? std::vector<std::string>{}
                 : std::vector<std::string>{std::string(platform::kEveryFrameForMeasurement) + "=1"};
    const auto start = Clock::now();
    test::SaverProcess saver({"s"}, displayName, configHome.String(), environment);
    if (!probe.WaitForFlame(5s)) continue;
    firstFlame[way].push_back(Seconds(Clock::now() - start) * 1000);
    const auto pressed = probe.PressKey();
    if (saver.WaitForExit(5s).has_value()) keyToExit[way].push_back(Seconds(Clock::now() - pressed) * 1000);
    probe.WaitForNoFlame(5s);
  }

  std::printf("display %s, 1920x1080x24, preview 320x240 for %.1f s\n", displayName.c_str(), seconds);
  std::printf("saver run loop:        %10.0f frames/s\n", saverFps);
  std::printf("plain XShmPutImage:    %10.0f frames/s\n", plainFps);
  std::printf("ratio saver/plain:     %10.3f   (target >= 1.00)\n", saverFps / plainFps);
  if (traced.systemCalls >= 0 && traced.frames > 0) {
    std::printf(
        "system calls a frame:  %10.2f   (target <= 5; %ld calls over %ld frames of %.0f s under strace)\n",
        static_cast<double>(traced.systemCalls) / static_cast<double>(traced.frames), traced.systemCalls,
        traced.frames, kTracedSeconds);
  } else {
    std::printf("system calls a frame:  not measured (strace could not be attached)\n");
  }
  std::printf("CPU, saver:            %10.2f s per s\n", saverCpu);
  std::printf("CPU, X server:         %10.2f s per s\n", serverCpu);
  std::printf("full screen, %.1f s each way:   at the display's pace   every frame as drawn\n", seconds);
  std::printf("  run loop:             %10.0f frames/s   %10.0f frames/s   ratio %.2f (target >= 1.00)\n",
              paced.framesPerSecond, everyFrame.framesPerSecond,
              everyFrame.framesPerSecond > 0 ? paced.framesPerSecond / everyFrame.framesPerSecond : 0.0);
  std::printf(
      "  images to the server: %10.1f a second   %10.1f a second   (target <= 60, one a refresh, and the "
      "first)\n",
      paced.picturesPerSecond, everyFrame.picturesPerSecond);
  std::printf("  CPU, X server:        %10.3f s per s    %10.3f s per s    (target <= 0.05)\n",
              paced.serverCpu, everyFrame.serverCpu);
  std::printf("  CPU, saver:           %10.3f s per s    %10.3f s per s\n", paced.saverCpu,
              everyFrame.saverCpu);
  std::printf("the program, %d runs each way:", kRuns);
  std::printf("\n  start to first flame: %10.1f ms median      %10.1f ms median   (target <= 12)\n",
              Median(firstFlame[0]), Median(firstFlame[1]));
  std::printf("  key press to exit:    %10.1f ms median      %10.1f ms median   (target <= 5)\n",
              Median(keyToExit[0]), Median(keyToExit[1]));
  settings::UseSettingsStore(nullptr);
  return 0;
}
