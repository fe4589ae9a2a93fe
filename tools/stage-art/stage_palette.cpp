#include "tools/stage-art/stage_palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>

namespace veltane::stageart {
namespace {

constexpr int kClusters = 255;
constexpr int kIterations = 24;

double ToLinear(double srgb) {
  return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
}
double FromLinear(double linear) {
  const double v = Clamp01(linear);
  return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

// A perceptual space in which nearest colours look nearest; distances between ramps' steps stay even.
Vec3 ToOklab(Vec3 srgb) {
  const double r = ToLinear(srgb.x);
  const double g = ToLinear(srgb.y);
  const double b = ToLinear(srgb.z);
  const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
          1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
          0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

std::uint8_t ToByte(double unit) { return static_cast<std::uint8_t>(std::lround(Clamp01(unit) * 255.0)); }
Vec3 FromQuad(const platform::RgbQuad& q) { return {q.red / 255.0, q.green / 255.0, q.blue / 255.0}; }
double DistanceSquared(Vec3 a, Vec3 b) { return Dot(a - b, a - b); }

struct WeightedColour {
  Vec3 lab;
  double weight;
};

// The distinct colours in use, at eight bits each, with how often they occur.
std::vector<WeightedColour> DistinctColours(const std::vector<std::vector<Vec3>>& pictures) {
  std::map<std::uint32_t, double> counts;
  for (const auto& picture : pictures) {
    for (const Vec3& c : picture) {
      const std::uint32_t key =
          (std::uint32_t{ToByte(c.x)} << 16) | (std::uint32_t{ToByte(c.y)} << 8) | ToByte(c.z);
      if (key != 0) counts[key] += 1.0;
    }
  }
  std::vector<WeightedColour> colours;
  for (const auto& [key, count] : counts) {
    const Vec3 srgb{((key >> 16) & 0xFF) / 255.0, ((key >> 8) & 0xFF) / 255.0, (key & 0xFF) / 255.0};
    colours.push_back({ToOklab(srgb), count});
  }
  return colours;
}

// Seeds spread by the k-means++ rule (rare but distinct colours such as the wick's ember get a cluster),
// drawn from a fixed sequence so that the palette comes out the same on every run.
std::vector<Vec3> SeedClusters(const std::vector<WeightedColour>& colours) {
  std::vector<Vec3> centres{colours.front().lab};
  std::vector<double> nearest(colours.size(), 1e30);
  std::uint32_t state = 12345;
  while (centres.size() < std::min<std::size_t>(kClusters, colours.size())) {
    double total = 0.0;
    for (std::size_t i = 0; i < colours.size(); ++i) {
      nearest[i] = std::min(nearest[i], DistanceSquared(colours[i].lab, centres.back()));
      total += nearest[i] * colours[i].weight;
    }
    state = state * 214013u + 2531011u;
    double pick = total * ((state >> 8) / 16777216.0);
    std::size_t chosen = 0;
    for (; chosen + 1 < colours.size(); ++chosen) {
      pick -= nearest[chosen] * colours[chosen].weight;
      if (pick <= 0.0) break;
    }
    centres.push_back(colours[chosen].lab);
  }
  return centres;
}

std::size_t Nearest(const std::vector<Vec3>& centres, Vec3 lab) {
  std::size_t best = 0;
  double bestDistance = 1e30;
  for (std::size_t i = 0; i < centres.size(); ++i) {
    const double d = DistanceSquared(centres[i], lab);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

// Which ramp a colour belongs to, for the order of the table: wick darks, dish browns, wax, highlight.
int RampOf(Vec3 lab) {
  const double chroma = std::hypot(lab.y, lab.z);
  const double hue = std::atan2(lab.z, lab.y) * 180.0 / std::numbers::pi;
  if (lab.x > 0.9 && chroma < 0.12) return 3;
  if (chroma < 0.035 && lab.x < 0.45) return 0;
  if (hue < 68.0) return 1;
  return 2;
}

}  // namespace

Palette BuildPalette(const std::vector<std::vector<Vec3>>& pictures) {
  const std::vector<WeightedColour> colours = DistinctColours(pictures);
  std::vector<Vec3> centres = SeedClusters(colours);
  std::vector<std::size_t> owner(colours.size());
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::vector<Vec3> sums(centres.size());
    std::vector<double> weights(centres.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
      owner[i] = Nearest(centres, colours[i].lab);
      sums[owner[i]] = sums[owner[i]] + colours[i].lab * colours[i].weight;
      weights[owner[i]] += colours[i].weight;
    }
    for (std::size_t c = 0; c < centres.size(); ++c) {
      if (weights[c] > 0.0) centres[c] = sums[c] * (1.0 / weights[c]);
    }
  }
  // Each centre is replaced by the colour in use nearest to it, so that every entry is a real colour.
  std::vector<Vec3> entries;
  for (const Vec3& centre : centres) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < colours.size(); ++i) {
      if (DistanceSquared(colours[i].lab, centre) < DistanceSquared(colours[best].lab, centre)) best = i;
    }
    entries.push_back(colours[best].lab);
  }
  std::sort(entries.begin(), entries.end(), [](Vec3 a, Vec3 b) {
    const int rampA = RampOf(a);
    const int rampB = RampOf(b);
    return rampA != rampB ? rampA < rampB : a.x < b.x;
  });
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](Vec3 a, Vec3 b) { return DistanceSquared(a, b) == 0.0; }),
                entries.end());
  Palette palette{};
  for (std::size_t i = 0; i < entries.size() && i + 1 < palette.size(); ++i) {
    const Vec3 lab = entries[i];
    // Back from the perceptual space to sRGB.
    const double l = std::pow(lab.x + 0.3963377774 * lab.y + 0.2158037573 * lab.z, 3.0);
    const double m = std::pow(lab.x - 0.1055613458 * lab.y - 0.0638541728 * lab.z, 3.0);
    const double s = std::pow(lab.x - 0.0894841775 * lab.y - 1.2914855480 * lab.z, 3.0);
    palette[i + 1] = {ToByte(FromLinear(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)),
                      ToByte(FromLinear(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s)),
                      ToByte(FromLinear(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s)), 0};
  }
  return palette;
}

std::vector<std::uint8_t> MapToPalette(const std::vector<Vec3>& picture, int width, const Palette& palette) {
  // A slight ordered dither in lightness hides the steps between neighbouring entries of a ramp, which
  // would otherwise show as faint bands across the slowly widening taper.
  constexpr std::array<int, 16> kBayer{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  constexpr double kDitherStep = 0.01;
  std::vector<Vec3> labs;
  for (const platform::RgbQuad& q : palette) labs.push_back(ToOklab(FromQuad(q)));
  std::vector<std::uint8_t> indices;
  indices.reserve(picture.size());
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const Vec3 c = picture[i];
    if (ToByte(c.x) == 0 && ToByte(c.y) == 0 && ToByte(c.z) == 0) {
      indices.push_back(0);
      continue;
    }
    const std::size_t x = i % static_cast<std::size_t>(width);
    const std::size_t y = i / static_cast<std::size_t>(width);
    const double offset = (kBayer[(y % 4) * 4 + x % 4] + 0.5) / 16.0 - 0.5;
    indices.push_back(
        static_cast<std::uint8_t>(Nearest(labs, ToOklab(c) + Vec3{offset * kDitherStep, 0.0, 0.0})));
  }
  return indices;
}

Palette Darkened(const Palette& palette, double factor) {
  Palette dark{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const Vec3 c = FromQuad(palette[i]);
    dark[i] = {ToByte(FromLinear(ToLinear(c.z) * factor)), ToByte(FromLinear(ToLinear(c.y) * factor)),
               ToByte(FromLinear(ToLinear(c.x) * factor)), 0};
  }
  return dark;
}

}  // namespace veltane::stageart
