// How fast the saver runs on a private X server, and how quickly it starts and stops:
//   - frames per second of the saver's own run loop in preview mode (the flame window, its run loop and
//     the X11 backend, in this process), next to a plain MIT-SHM loop of the same 70 x 100 image that makes
//     one round trip a frame before its shared image is written again. The saver does not wait on the
//     server between frames: it puts its frames through several shared images in turn, so the server
//     handles one put while the saver computes the next frame;
//   - the system calls the saver makes a frame, counted by strace -c -f attached to this process over a
//     preview of its own (strace slows that preview down, so its frames are not the ones timed);
//   - the CPU time that the saver and the X server take meanwhile;
//   - the real program: from its start to the first flame on the screen, and from an injected key press to
//     its exit in full-screen mode (medians of 20 runs).
//
// Usage: veltane_bench_saver [seconds of preview]

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/saver/counting_backend.h"
#include "bench/saver/system_calls.h"
#include "bench/saver/x_screen_probe.h"
#include "platform/app.h"
#include "platform/platform.h"
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

// CPU seconds (user and system) of a process, from /proc.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) {
      stime = std::stol(field);
      break;
    }
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto toSeconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

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
  const double saverCpuBefore = OwnCpuSeconds();
  const double serverCpuBefore = ProcessCpuSeconds(server);
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
  result.saverCpu = (OwnCpuSeconds() - saverCpuBefore) / elapsed;
  result.serverCpu = (ProcessCpuSeconds(server) - serverCpuBefore) / elapsed;
  platform::SetBackend(nullptr);
  probe.DestroyWindow(host);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace veltane;
  const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 3.0;

  test::XvfbServer::Options options;
  options.width = 1024;
  options.height = 768;
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

  std::vector<double> firstFlame;
  std::vector<double> keyToExit;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    test::SaverProcess saver({"s"}, displayName, configHome.String());
    if (!probe.WaitForFlame(5s)) continue;
    firstFlame.push_back(Seconds(Clock::now() - start) * 1000);
    const auto pressed = probe.PressKey();
    if (saver.WaitForExit(5s).has_value()) keyToExit.push_back(Seconds(Clock::now() - pressed) * 1000);
    probe.WaitForNoFlame(5s);
  }

  std::printf("display %s, 1024x768x24, preview 320x240 for %.1f s\n", displayName.c_str(), seconds);
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
  std::printf("start to first flame:  %10.1f ms median of %zu   (target <= 12)\n", Median(firstFlame),
              firstFlame.size());
  std::printf("key press to exit:     %10.1f ms median of %zu   (target <= 20)\n", Median(keyToExit),
              keyToExit.size());
  settings::UseSettingsStore(nullptr);
  return 0;
}
