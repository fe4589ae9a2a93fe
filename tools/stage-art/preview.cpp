// Shows each stage as a user sees it: the stage image and the live flame drawn by the saver's own code
// into a client area of the in-memory backend, written as .ppm files for a look at the wick's alignment.
// Usage: veltane-stage-preview <preview folder>. For every stage it writes stage-<id>-640x480.ppm and, to
// check the other parity of the client width, stage-<id>-641x481.ppm; and burned-out-<size>.ppm a few
// frames into the burned-out period.

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "flame/flame_sources.h"
#include "flame/frame_presenter.h"
#include "flame/heat_field.h"
#include "platform/memory/memory_backend.h"
#include "platform/platform.h"
#include "stages/stage_sequencer.h"

namespace {

// Enough frames for the flame to rise from the sources to its full height and settle.
constexpr int kFrames = 300;

bool WritePpm(const std::string& path, const veltane::platform::MemoryBackend& backend,
              veltane::platform::HWND hwnd, veltane::platform::Size size) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << size.width << " " << size.height << "\n255\n";
  for (const std::uint32_t pixel : backend.Pixels(hwnd)) {
    const char rgb[3] = {static_cast<char>((pixel >> 16) & 0xFF), static_cast<char>((pixel >> 8) & 0xFF),
                         static_cast<char>(pixel & 0xFF)};
    out.write(rgb, 3);
  }
  return static_cast<bool>(out);
}

bool WriteStages(const std::string& folder, veltane::platform::Size size) {
  using namespace veltane;
  auto owned = std::make_unique<platform::MemoryBackend>();
  platform::MemoryBackend& backend = *owned;
  platform::SetBackend(std::move(owned));
  const platform::HWND hwnd = backend.CreateHostWindow(size);
  flame::HeatField field;
  if (!field.AllocateField()) return false;
  flame::FlameSources sources;
  sources.InitSources(field);
  flame::FramePresenter presenter;
  presenter.LayoutFlame(hwnd);
  stages::StageSequencer sequencer;
  for (const std::uint16_t id : stages::StageImageIds) {
    sequencer.AdvanceStage(hwnd, presenter);
    for (int frame = 0; frame < kFrames; ++frame) {
      sources.StampSources(field);
      field.UpdateField();
      sources.SampleSources(field, sequencer.BurnedOut != 0);
      presenter.PresentFrame(hwnd, field.FrontImage.get(), false);
    }
    const std::string name = folder + "/stage-" + std::to_string(id) + "-" + std::to_string(size.width) +
                             "x" + std::to_string(size.height) + ".ppm";
    if (!WritePpm(name, backend, hwnd, size)) return false;
  }
  // One more period: burned out, the sources put out, the flame dying over the last image.
  sequencer.AdvanceStage(hwnd, presenter);
  sources.ExtinguishSources();
  for (int frame = 0; frame < kFrames / 10; ++frame) {
    sources.StampSources(field);
    field.UpdateField();
    sources.SampleSources(field, sequencer.BurnedOut != 0);
    presenter.PresentFrame(hwnd, field.FrontImage.get(), false);
  }
  const std::string name =
      folder + "/burned-out-" + std::to_string(size.width) + "x" + std::to_string(size.height) + ".ppm";
  if (!WritePpm(name, backend, hwnd, size)) return false;
  platform::SetBackend(nullptr);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <preview folder>\n", argv[0]);
    return 2;
  }
  if (!WriteStages(argv[1], {640, 480}) || !WriteStages(argv[1], {641, 481})) {
    std::fprintf(stderr, "cannot write the previews to %s\n", argv[1]);
    return 1;
  }
  return 0;
}
