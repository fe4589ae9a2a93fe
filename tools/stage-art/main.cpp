// Draws the six stage images of the burning taper and writes them as res/bitmap/152.bmp to 157.bmp.
// Run by hand when the artwork changes: veltane-stage-art <bitmap folder> [<preview folder>]. With a
// preview folder it also writes, per stage, the image in a 640 x 480 client area with the flame image's
// rectangle and the flame sources marked where the saver puts them, as .ppm files.

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "flame/frame_presenter.h"
#include "stages/stage_sequencer.h"
#include "tools/stage-art/rle8_bitmap.h"
#include "tools/stage-art/stage_palette.h"
#include "tools/stage-art/taper_scene.h"

namespace {

using veltane::stageart::kStageHeight;
using veltane::stageart::kStageWidth;
using veltane::stageart::Palette;

// The last two stages burn low and are drawn darker, in linear light.
constexpr std::array<double, 6> kStageLight{1.0, 1.0, 1.0, 1.0, 0.6, 0.42};

constexpr int kPreviewWidth = 640;
constexpr int kPreviewHeight = 480;
constexpr int kFlameWidth = 70;
constexpr int kFlameHeight = 100;
// The flame sources fill flame pixel columns 34..41 and pixel rows 2..15 counted from the flame's bottom.
constexpr int kSourcesLeft = 34;
constexpr int kSourcesRight = 41;
constexpr int kSourcesLow = 2;
constexpr int kSourcesHigh = 15;

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The stage in a 640 x 480 client area: the image centred, the flame's rectangle outlined in grey and the
// sources' cells tinted, both where a large window puts them.
std::vector<std::uint8_t> Preview(int stage, const std::vector<std::uint8_t>& indices,
                                  const Palette& palette) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kPreviewWidth * kPreviewHeight * 3), 0);
  const auto put = [&](int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= kPreviewWidth || y >= kPreviewHeight) return;
    const std::size_t at = static_cast<std::size_t>((y * kPreviewWidth + x) * 3);
    rgb[at] = static_cast<std::uint8_t>(r);
    rgb[at + 1] = static_cast<std::uint8_t>(g);
    rgb[at + 2] = static_cast<std::uint8_t>(b);
  };
  const int imageX = (kPreviewWidth - kStageWidth) / 2;
  const int imageY = (kPreviewHeight - kStageHeight) / 2;
  for (int y = 0; y < kStageHeight; ++y) {
    for (int x = 0; x < kStageWidth; ++x) {
      const auto& q = palette[indices[static_cast<std::size_t>(y * kStageWidth + x)]];
      put(imageX + x, imageY + y, q.red, q.green, q.blue);
    }
  }
  const int flameX = (kPreviewWidth - kFlameWidth) / 2 - 1;
  const int flameY = (kPreviewHeight - kFlameHeight) / 2 -
                     veltane::flame::StageFlameOffsets[static_cast<std::size_t>(stage)];
  for (int x = flameX; x < flameX + kFlameWidth; ++x) {
    put(x, flameY, 90, 90, 90);
    put(x, flameY + kFlameHeight - 1, 90, 90, 90);
  }
  for (int y = flameY; y < flameY + kFlameHeight; ++y) {
    put(flameX, y, 90, 90, 90);
    put(flameX + kFlameWidth - 1, y, 90, 90, 90);
  }
  for (int row = kSourcesLow; row <= kSourcesHigh; ++row) {
    for (int column = kSourcesLeft; column <= kSourcesRight; ++column) {
      const int x = flameX + column;
      const int y = flameY + kFlameHeight - 1 - row;
      const std::size_t at = static_cast<std::size_t>((y * kPreviewWidth + x) * 3);
      put(x, y, (rgb[at] + 255) / 2, (rgb[at + 1] + 64) / 2, rgb[at + 2] / 2);
    }
  }
  std::string header =
      "P6\n" + std::to_string(kPreviewWidth) + " " + std::to_string(kPreviewHeight) + "\n255\n";
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), rgb.begin(), rgb.end());
  return file;
}

// Where the drawing's top edge and the wick's tip came out, so that a change of the artwork can be checked
// against the flame's place at a glance.
void ReportPlacement(int stage, const std::vector<std::uint8_t>& indices) {
  int tipRow = -1;
  int topEdgeRow = -1;
  int tipLeft = kStageWidth;
  int tipRight = -1;
  for (int y = 0; y < kStageHeight && topEdgeRow < 0; ++y) {
    int count = 0;
    for (int x = 0; x < kStageWidth; ++x) {
      if (indices[static_cast<std::size_t>(y * kStageWidth + x)] == 0) continue;
      ++count;
      if (tipRow < 0 || tipRow == y) {
        tipRow = y;
        tipLeft = std::min(tipLeft, x);
        tipRight = std::max(tipRight, x);
      }
    }
    if (count >= 15) topEdgeRow = y;
  }
  const auto placement = veltane::stageart::PlacementFor(stage);
  std::printf(
      "stage %d: wick tip row %d (wanted %d) columns %d..%d, top edge row %d (wanted %d), flame edge row "
      "%d\n",
      stage, tipRow, placement.wickTipRow, tipLeft, tipRight, topEdgeRow, placement.topEdgeRow,
      placement.flameLowerEdgeRow);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <bitmap folder> [<preview folder>]\n", argv[0]);
    return 2;
  }
  std::vector<std::vector<veltane::stageart::Vec3>> pictures;
  for (int stage = 0; stage < 6; ++stage) pictures.push_back(veltane::stageart::RenderStage(stage));
  const Palette palette = veltane::stageart::BuildPalette(pictures);
  for (int stage = 0; stage < 6; ++stage) {
    const auto indices =
        veltane::stageart::MapToPalette(pictures[static_cast<std::size_t>(stage)], kStageWidth, palette);
    const Palette stagePalette =
        veltane::stageart::Darkened(palette, kStageLight[static_cast<std::size_t>(stage)]);
    const std::string id = std::to_string(veltane::stages::StageImageIds[static_cast<std::size_t>(stage)]);
    ReportPlacement(stage, indices);
    if (!WriteFile(std::string(argv[1]) + "/" + id + ".bmp",
                   veltane::stageart::EncodeRle8Bitmap(indices, kStageWidth, kStageHeight, stagePalette))) {
      std::fprintf(stderr, "cannot write %s/%s.bmp\n", argv[1], id.c_str());
      return 1;
    }
    if (argc == 3 &&
        !WriteFile(std::string(argv[2]) + "/stage-" + id + ".ppm", Preview(stage, indices, stagePalette))) {
      std::fprintf(stderr, "cannot write the preview of %s\n", id.c_str());
      return 1;
    }
  }
  return 0;
}
