// Draws icon 135, a lit candle on a brass dish, at 32 x 32 and 16 x 16 in the 16 standard colours, and
// writes it as an .ico file. Each size is drawn from the same shapes at its own scale, so the small image
// is not a shrunk copy of the large one.
//
//   veltane-icon-art <output.ico>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "tools/icon-art/ico_file.h"

namespace {

using veltane::tools::EncodeIco;
using veltane::tools::IconImage;

constexpr int kBlack = 0;
constexpr int kOlive = 3;
constexpr int kSilver = 7;
constexpr int kGray = 8;
constexpr int kRed = 9;
constexpr int kYellow = 11;
constexpr int kWhite = 15;

// A flame: a round base of radius `radius` centred at `base` below a tip, narrowing toward the tip.
struct Teardrop {
  double centre;
  double tip;
  double base;
  double radius;

  bool Contains(double u, double v) const {
    const double dx = u - centre;
    if (v >= base) {
      return dx * dx + (v - base) * (v - base) <= radius * radius;
    }
    if (v < tip) {
      return false;
    }
    const double t = (v - tip) / (base - tip);
    return std::fabs(dx) <= radius * std::pow(t, 0.9);
  }
};

bool InRect(double u, double v, double left, double top, double right, double bottom) {
  return u >= left && u < right && v >= top && v < bottom;
}

// Every pixel is decided at its centre in coordinates from 0 to 1, so both sizes share one drawing.
// `pixel` is the width of one pixel in those coordinates, for the lines that must stay one pixel wide.
int PixelAt(double u, double v, double pixel) {
  const Teardrop outer{0.5, 0.0, 0.27, 0.13};
  const Teardrop middle{0.5, 0.07, 0.28, 0.095};
  const Teardrop core{0.5, 0.17, 0.3, 0.05};
  if (core.Contains(u, v)) {
    return kWhite;
  }
  if (middle.Contains(u, v)) {
    return kYellow;
  }
  if (outer.Contains(u, v)) {
    return kRed;
  }

  const double wickLeft = 0.5 - pixel / 2;
  if (InRect(u, v, wickLeft, 0.3, wickLeft + pixel, 0.43)) {
    return kBlack;
  }

  // The taper: a white stick, shaded on its right, outlined in gray, with a drop of wax on its left.
  const double left = 0.37;
  const double right = 0.63;
  const double top = 0.42;
  const double bottom = 0.86;
  if (InRect(u, v, left - pixel, top + 0.06, left, top + 0.2)) {
    return kSilver;
  }
  if (InRect(u, v, left, top, right, bottom)) {
    const bool edge = u < left + pixel || u >= right - pixel || v < top + pixel;
    if (edge) {
      return kGray;
    }
    return u >= right - 0.09 ? kSilver : kWhite;
  }

  // The dish: a brass plate with a light rim and a dark underside.
  const double dishTop = 0.84;
  const double dishBottom = 0.97;
  const double slant = (v - dishTop) / (dishBottom - dishTop) * 0.08;
  if (InRect(u, v, 0.12 + slant, dishTop, 0.88 - slant, dishBottom)) {
    if (v < dishTop + pixel) {
      return kYellow;
    }
    return v >= dishBottom - pixel ? kBlack : kOlive;
  }
  return IconImage::kTransparent;
}

IconImage Draw(int side) {
  IconImage image{side, std::vector<int>(static_cast<std::size_t>(side * side))};
  const double pixel = 1.0 / side;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      image.pixels[static_cast<std::size_t>(y * side + x)] =
          PixelAt((x + 0.5) * pixel, (y + 0.5) * pixel, pixel);
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.ico>\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> bytes = EncodeIco({Draw(32), Draw(16)});
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
