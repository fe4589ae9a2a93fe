// What the saver costs on a private X server of 1920 x 1080, and how quickly it starts and stops; each
// comparison is measured in one run, its two sides taking turns:
//   - frames per second of the saver's run loop computing every frame in a 320 x 240 preview (the flame
//     window, its run loop and the X11 backend, in this process), next to a plain MIT-SHM loop of the same
//     70 x 100 image that makes one round trip a frame, and its system calls a frame under strace;
//   - the CPU shares of the saver's loop and of the X server, and the images that reach the server a second
//     (its RECORD extension counts them), with the loop resting once the flame is still against computing
//     every frame back to back: in the preview, full screen, full screen on a second server of 3840 x 2160
//     at 220 dpi, where each picture pixel is a 2 x 2 block, and full screen with speed control at 10 ms;
//   - full screen, computing every frame, at the display's pace against sending every frame as it is drawn;
//   - from a key press to the end of the full-screen loop, resting and back to back (medians of 20);
//   - the real program: from its start to the first flame on the screen, and from a key press to its exit
//     (medians of 20).
//
// Usage: veltane_bench_saver [seconds of each measured run, 3 by default]

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/cpu_time.h"
#include "bench/saver/full_screen_run.h"
#include "bench/saver/put_counter.h"
#include "bench/saver/system_calls.h"
#include "bench/saver/x_screen_probe.h"
#include "platform/x11/x11_backend.h"
#include "settings/settings_store.h"
#include "testing/saver_process.h"
#include "testing/temp_dir.h"
#include "testing/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using veltane::saver::Pacing;

constexpr int kRuns = 20;
constexpr int kRounds = 3;
constexpr veltane::platform::Size kPreview{320, 240};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Cost {
  double saverCpu = 0;
  double serverCpu = 0;
  double imagesPerSecond = 0;
  double framesPerSecond = 0;
  void Add(const Cost& round) {
    saverCpu += round.saverCpu / kRounds;
    serverCpu += round.serverCpu / kRounds;
    imagesPerSecond += round.imagesPerSecond / kRounds;
    framesPerSecond += round.framesPerSecond / kRounds;
  }
};

// Where a run measures the saver, and how.
struct Setup {
  const std::string& displayName;
  veltane::bench::XScreenProbe& probe;
  veltane::bench::PutCounter& puts;
  pid_t server;
  double seconds;
};

// The saver's loop for the setup's time, full screen or in a preview, while the server's CPU time and the
// images that reach it are measured.
Cost Measure(const Setup& setup, Pacing pacing, bool preview, bool everyFrame = false) {
  using namespace veltane;
  const platform::HWND host = preview ? setup.probe.MakeHost(kPreview.width, kPreview.height) : 0;
  bool counted = false;
  double serverBefore = 0;
  const bench::WindowRun run =
      bench::RunWindow(platform::CreateX11Backend(setup.displayName.c_str(), {.everyFrame = everyFrame}),
                       setup.seconds, {.pacing = pacing}, {.host = host}, [&] {
                         counted = setup.puts.Start();
                         serverBefore = bench::ProcessCpuSeconds(setup.server);
                       });
  Cost cost;
  cost.saverCpu = run.saverCpu;
  cost.serverCpu = (bench::ProcessCpuSeconds(setup.server) - serverBefore) / run.seconds;
  cost.imagesPerSecond = counted ? static_cast<double>(setup.puts.Stop()) / run.seconds : -1;
  cost.framesPerSecond = run.framesPerSecond;
  if (host != 0) setup.probe.DestroyWindow(host);
  return cost;
}

// From a key press, which another thread makes once the full-screen window has been up for a moment, to the
// end of its loop, in milliseconds.
double KeyToExit(const Setup& setup, Pacing pacing) {
  using namespace veltane;
  Clock::time_point pressed;
  std::thread user;
  const bench::WindowRun run = bench::RunWindow(platform::CreateX11Backend(setup.displayName.c_str()), 60,
                                                {.pacing = pacing}, {.endsOnInput = true}, [&] {
                                                  user = std::thread([&] {
                                                    std::this_thread::sleep_for(300ms);
                                                    pressed = setup.probe.PressKey();
                                                  });
                                                });
  user.join();
  return Seconds(run.ended - pressed) * 1000;
}

void PrintCosts(const char* way, const Cost& resting, const Cost& backToBack) {
  std::printf(
      "  %-30s saver %6.3f  X server %6.3f  images %6.1f/s   |  saver %6.3f  X server %6.3f  images "
      "%6.1f/s\n",
      way, resting.saverCpu, resting.serverCpu, resting.imagesPerSecond, backToBack.saverCpu,
      backToBack.serverCpu, backToBack.imagesPerSecond);
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
  // The dense screen, whose saver draws the same picture as the first one's, enlarged.
  test::XvfbServer denseServer({.width = 3840, .height = 2160, .extraArguments = {"-dpi", "220"}});
  if (!denseServer.Running()) {
    std::fprintf(stderr, "cannot start Xvfb: %s\n", denseServer.Error().c_str());
    return 1;
  }
  const std::string displayName = server.DisplayName();
  const test::TempDir configHome;
  settings::SettingsStore store("veltane", configHome.String());
  store.SetRegistryKey(settings::kRegistryKey);
  settings::UseSettingsStore(&store);

  bench::XScreenProbe probe(displayName);
  if (!probe.Open()) {
    std::fprintf(stderr, "cannot open display %s\n", displayName.c_str());
    return 1;
  }
  bench::PutCounter puts(displayName);
  const Setup setup{displayName, probe, puts, server.Pid(), seconds / kRounds};
  const std::string denseName = denseServer.DisplayName();
  bench::XScreenProbe denseProbe(denseName);
  bench::PutCounter densePuts(denseName);
  const Setup dense{denseName, denseProbe, densePuts, denseServer.Pid(), seconds / kRounds};

  // The plain loop and the saver take turns, so that a change in the machine's load touches both alike.
  double saverFps = 0;
  double plainFps = 0;
  for (int round = 0; round < kRounds; ++round) {
    saverFps += Measure(setup, Pacing::BackToBack, true).framesPerSecond / kRounds;
    plainFps += probe.PlainShmFramesPerSecond(setup.seconds) / kRounds;
  }
  constexpr double kTracedSeconds = 2;
  long frames = 0;
  const long systemCalls = bench::CountSystemCalls([&] {
    const platform::HWND host = probe.MakeHost(kPreview.width, kPreview.height);
    frames = bench::RunWindow(platform::CreateX11Backend(displayName.c_str()), kTracedSeconds,
                              {.pacing = Pacing::BackToBack}, {.host = host})
                 .frames;
    probe.DestroyWindow(host);
  });

  // Resting against back to back, in the preview, full screen, and full screen with speed control on.
  struct Way {
    const char* name;
    const Setup& where;
    bool preview;
    bool speedControl;
    Cost resting;
    Cost backToBack;
  };
  Way ways[] = {{"preview 320x240", setup, true, false, {}, {}},
                {"full screen", setup, false, false, {}, {}},
                {"full screen 3840x2160, scale 2", dense, false, false, {}, {}},
                {"full screen, speed control 10 ms", setup, false, true, {}, {}}};
  for (Way& way : ways) {
    store.WriteProfileInt(store.ProfileName(), "DelayOn", way.speedControl ? 1 : 0);
    store.WriteProfileInt(store.ProfileName(), "DelayTime", 10);
    for (int round = 0; round < kRounds; ++round) {
      way.resting.Add(Measure(way.where, Pacing::Resting, way.preview));
      way.backToBack.Add(Measure(way.where, Pacing::BackToBack, way.preview));
    }
  }
  store.WriteProfileInt(store.ProfileName(), "DelayOn", 0);

  // Computing every frame, at the display's pace and sending every frame as drawn, in turns.
  Cost paced;
  Cost everyFrame;
  for (int round = 0; round < kRounds; ++round) {
    paced.Add(Measure(setup, Pacing::BackToBack, false));
    everyFrame.Add(Measure(setup, Pacing::BackToBack, false, true));
  }

  std::vector<double> keyToExit[2];
  for (int run = 0; run < 2 * kRuns; ++run) {
    keyToExit[run % 2].push_back(KeyToExit(setup, run % 2 == 0 ? Pacing::Resting : Pacing::BackToBack));
  }

  // The real program.
  std::vector<double> firstFlame;
  std::vector<double> programKeyToExit;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    test::SaverProcess saver({"s"}, displayName, configHome.String());
    if (!probe.WaitForFlame(5s)) continue;
    firstFlame.push_back(Seconds(Clock::now() - start) * 1000);
    const auto pressed = probe.PressKey();
    if (saver.WaitForExit(5s).has_value()) programKeyToExit.push_back(Seconds(Clock::now() - pressed) * 1000);
    probe.WaitForNoFlame(5s);
  }

  std::printf("display %s, 1920x1080x24, and %s, 3840x2160x24 at 220 dpi; %d rounds of %.1f s each way\n",
              displayName.c_str(), denseName.c_str(), kRounds, setup.seconds);
  std::printf("preview 320x240, every frame computed:\n");
  std::printf("  saver run loop:       %10.0f frames/s\n", saverFps);
  std::printf("  plain XShmPutImage:   %10.0f frames/s\n", plainFps);
  std::printf("  ratio saver/plain:    %10.3f   (target >= 1.00)\n", saverFps / plainFps);
  if (systemCalls >= 0 && frames > 0) {
    std::printf(
        "  system calls a frame: %10.2f   (target <= 5; %ld calls over %ld frames of %.0f s under strace)\n",
        static_cast<double>(systemCalls) / static_cast<double>(frames), systemCalls, frames, kTracedSeconds);
  } else {
    std::printf("  system calls a frame: not measured (strace could not be attached)\n");
  }
  std::printf(
      "CPU, s per s:                     resting (targets: saver <= 0.03, 0.05 with speed control; "
      "X server <= 0.02)  |  back to back\n");
  for (const Way& way : ways) PrintCosts(way.name, way.resting, way.backToBack);
  std::printf("full screen, every frame computed:   at the display's pace   every frame as drawn\n");
  std::printf("  run loop:             %10.0f frames/s   %10.0f frames/s   ratio %.2f (target >= 1.00)\n",
              paced.framesPerSecond, everyFrame.framesPerSecond,
              everyFrame.framesPerSecond > 0 ? paced.framesPerSecond / everyFrame.framesPerSecond : 0.0);
  std::printf("  images to the server: %10.1f a second   %10.1f a second   (target <= 60, one a refresh)\n",
              paced.imagesPerSecond, everyFrame.imagesPerSecond);
  std::printf("  CPU, X server:        %10.3f s per s    %10.3f s per s\n", paced.serverCpu,
              everyFrame.serverCpu);
  std::printf("  CPU, saver:           %10.3f s per s    %10.3f s per s\n", paced.saverCpu,
              everyFrame.saverCpu);
  std::printf(
      "key press to the end of the full-screen loop, %d runs each: resting %.2f ms, back to back %.2f "
      "ms (medians; target: resting <= 5 and no slower)\n",
      kRuns, Median(keyToExit[0]), Median(keyToExit[1]));
  std::printf(
      "the program, %d runs: start to first flame %.1f ms, key press to exit %.1f ms (medians; targets "
      "<= 12 and <= 5)\n",
      kRuns, Median(firstFlame), Median(programKeyToExit));
  settings::UseSettingsStore(nullptr);
  return 0;
}
