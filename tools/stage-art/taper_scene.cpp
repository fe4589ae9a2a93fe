#include "tools/stage-art/taper_scene.h"

#include <array>
#include <cassert>
#include <cmath>

#include "flame/frame_presenter.h"

namespace veltane::stageart {
namespace {

// An orthographic view that looks down on the taper by eight degrees: enough to show the dish's rim as an
// ellipse and the cup at the taper's top, little enough to keep the dish inside rows 141 to 170.
constexpr double kSinView = 0.14;
const double kCosView = std::sqrt(1.0 - kSinView * kSinView);
const Vec3 kForward{0.0, -kSinView, -kCosView};
// Under the middle of the flame sources: flame cells 17 to 20 span image columns 88..95 (even client width)
// or 87..94 (odd), since the flame's left edge stands 54 or 53 columns right of the image's left edge.
constexpr double kAxisColumn = 91.5;
// The image row of the table's plane at the taper's axis.
constexpr double kTableRow = 163.5;

constexpr std::array<int, 6> kTopEdgeRows{10, 25, 45, 75, 115, 136};
// The wick's tip stands inside the sources' hot base, which covers rows 3 to 16 above the flame's lower edge.
constexpr int kWickTipAboveFlameEdge = 10;

constexpr double kPoolDepth = 2.6;
constexpr double kWickRadius = 1.35;
constexpr double kFloorTop = 2.9;

const Vec3 kKeyLight = Normalize({0.9, 0.32, 0.3});
// A faint warm bounce from the left keeps the shadow side from going black.
const Vec3 kFillLight = Normalize({-0.8, 0.1, 0.6});
const Vec3 kWaxAlbedo{0.95, 0.62, 0.08};
// Light that travels through the wax at a grazing angle comes out deeper and warmer.
const Vec3 kWaxEdgeAlbedo{0.85, 0.36, 0.03};
const Vec3 kDishAlbedo{0.22, 0.085, 0.025};
const Vec3 kWickAlbedo{0.025, 0.02, 0.018};
const Vec3 kFlameLight{1.0, 0.55, 0.18};
// What the room throws back is warm, like the light of the flame.
const Vec3 kRoomLight{1.0, 0.72, 0.45};

enum Material { kNone, kWax, kWick, kDish };

struct SceneHit {
  double distance;
  Material material;
};

// A drip that ran down from the rim while the taper's top stood at the given stage; it stays on the body
// below the rim as the taper burns further down.
struct Drip {
  int fromStage;
  double angle;  // Around the axis: 0 faces the viewer, positive to the right.
  double length;
};
constexpr std::array<Drip, 4> kDrips{{{1, -1.32, 34}, {2, 0.42, 24}, {3, -0.55, 40}, {4, 1.12, 18}}};
constexpr std::array<double, 6> kPuddleRadius{0, 0, 17, 18.5, 20, 21.5};

double TaperRadius(double y) { return 15.5 - 0.012 * y; }

double SmoothMin(double a, double b, double k) {
  const double h = Clamp01(0.5 + 0.5 * (b - a) / k);
  return b + (a - b) * h - k * h * (1.0 - h);
}
double SmoothMax(double a, double b, double k) { return -SmoothMin(-a, -b, k); }

// The height of the rim for a stage, chosen so that its far edge lands on the stage's top edge row.
double TopHeight(int stage) {
  double height = 100.0;
  for (int i = 0; i < 4; ++i) {
    const double screenUp = kTableRow - (kTopEdgeRows[stage] - 0.4);
    height = (screenUp - (TaperRadius(height) - 1.0) * kSinView) / kCosView;
  }
  return height;
}

double WickTopHeight(int stage) {
  const double tipRow = PlacementFor(stage).wickTipRow + 0.4;
  return (kTableRow - tipRow) / kCosView;
}

struct StageScene {
  int stage;
  double top;
  double wickTop;
};

double Capsule(Vec3 p, Vec3 a, Vec3 b, double radiusA, double radiusB) {
  const Vec3 pa = p - a;
  const Vec3 ba = b - a;
  const double h = Clamp01(Dot(pa, ba) / Dot(ba, ba));
  return Length(pa - ba * h) - (radiusA + (radiusB - radiusA) * h);
}

double DripDistance(const StageScene& scene, const Drip& drip, Vec3 p) {
  const double start = TopHeight(drip.fromStage) - 1.5;
  const double end = start - drip.length;
  if (drip.fromStage > scene.stage || end > scene.top - 2.0) return 1e9;
  const Vec3 dir{std::sin(drip.angle), 0.0, std::cos(drip.angle)};
  const double upper = std::min(start, scene.top);
  const Vec3 a = dir * (TaperRadius(upper) + 0.1) + Vec3{0.0, upper, 0.0};
  const Vec3 b = dir * (TaperRadius(end) + 0.4) + Vec3{0.0, end, 0.0};
  double d = Capsule(p, a, b, 1.3, 1.7);
  d = SmoothMin(d, Length(p - b) - 2.3, 1.0);
  return std::max(d, p.y - (scene.top - 0.6));
}

double WaxDistance(const StageScene& scene, Vec3 p) {
  const double rho = std::sqrt(p.x * p.x + p.z * p.z);
  const double edge = 1.0;
  const double qx = rho - TaperRadius(p.y) + edge;
  // The rim has melted unevenly: it dips and rises a little around the cup.
  const double angle = std::atan2(p.x, p.z);
  const double rimTop = scene.top - 0.35 - 0.35 * std::sin(3.0 * angle + 0.7) - 0.2 * std::sin(5.0 * angle);
  const double qy = p.y - rimTop + edge;
  double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - edge;
  d = std::max(d, 1.5 - p.y);
  const double rim = TaperRadius(scene.top) - 2.2;
  const double poolRadius = (rim * rim + kPoolDepth * kPoolDepth) / (2.0 * kPoolDepth);
  const double pool = Length(p - Vec3{0.0, scene.top + poolRadius - kPoolDepth, 0.0}) - poolRadius;
  d = SmoothMax(d, -pool, 0.8);
  for (const Drip& drip : kDrips) d = SmoothMin(d, DripDistance(scene, drip, p), 1.4);
  const double puddle = kPuddleRadius[scene.stage];
  if (puddle > 0.0) {
    const double lobes =
        puddle * (1.0 + 0.1 * std::sin(3.0 * angle + 1.0) + 0.06 * std::sin(5.0 * angle + 2.0));
    const Vec3 scale{1.0 / lobes, 1.0 / 1.5, 1.0 / lobes};
    const Vec3 q = (p - Vec3{0.0, kFloorTop, 0.0}) * scale;
    const double k0 = Length(q);
    const double k1 = Length(q * scale);
    d = SmoothMin(d, k0 * (k0 - 1.0) / std::max(k1, 1e-9), 2.5);
  }
  return d;
}

double DishDistance(Vec3 p) {
  const double rho = std::sqrt(p.x * p.x + p.z * p.z);
  double shell = 0.0;
  if (rho <= 83.0) {
    const double s = std::max(rho - 48.0, 0.0) / 35.0;
    const double height = 2.0 + 7.5 * std::pow(s, 1.7);
    const double slope = s > 0.0 ? 7.5 * 1.7 * std::pow(s, 0.7) / 35.0 : 0.0;
    shell = (std::abs(p.y - height) - 0.9) / std::sqrt(1.0 + slope * slope);
  } else {
    shell = std::hypot(rho - 83.0, p.y - 9.5) - 0.9;
  }
  const double rim = std::hypot(rho - 83.0, p.y - 9.6) - 1.9;
  const double footX = std::abs(rho - 46.0) - 4.6;
  const double footY = std::abs(p.y - 0.9) - 0.5;
  const double foot =
      std::hypot(std::max(footX, 0.0), std::max(footY, 0.0)) + std::min(std::max(footX, footY), 0.0) - 0.4;
  return std::min(SmoothMin(shell, rim, 0.8), foot);
}

SceneHit SceneDistance(const StageScene& scene, Vec3 p) {
  SceneHit hit{WaxDistance(scene, p), kWax};
  const double wick = Capsule(p, {0.0, scene.top - kPoolDepth - 0.5, 0.0},
                              {0.3, scene.wickTop - kWickRadius, 0.0}, kWickRadius, kWickRadius);
  if (wick < hit.distance) hit = {wick, kWick};
  const double dish = DishDistance(p);
  if (dish < hit.distance) hit = {dish, kDish};
  return hit;
}

Vec3 SurfaceNormal(const StageScene& scene, Vec3 p) {
  constexpr double e = 0.01;
  const auto d = [&](Vec3 q) { return SceneDistance(scene, q).distance; };
  return Normalize({d(p + Vec3{e, 0, 0}) - d(p - Vec3{e, 0, 0}), d(p + Vec3{0, e, 0}) - d(p - Vec3{0, e, 0}),
                    d(p + Vec3{0, 0, e}) - d(p - Vec3{0, 0, e})});
}

double SoftShadow(const StageScene& scene, Vec3 p, Vec3 n) {
  const Vec3 origin = p + n * 0.05;
  double result = 1.0;
  double t = 0.1;
  for (int i = 0; i < 160 && t < 260.0; ++i) {
    const double h = SceneDistance(scene, origin + kKeyLight * t).distance;
    if (h < 0.001) return 0.0;
    result = std::min(result, 8.0 * h / t);
    t += std::clamp(h, 0.05, 6.0);
  }
  return SmoothStep(0.0, 1.0, result);
}

double AmbientOcclusion(const StageScene& scene, Vec3 p, Vec3 n) {
  double occlusion = 0.0;
  double weight = 1.0;
  for (int i = 1; i <= 5; ++i) {
    const double h = 0.6 * i;
    occlusion += (h - SceneDistance(scene, p + n * h).distance) * weight;
    weight *= 0.7;
  }
  return Clamp01(1.0 - 0.3 * occlusion);
}

Vec3 Shade(const StageScene& scene, Vec3 p, Material material) {
  const Vec3 n = SurfaceNormal(scene, p);
  const Vec3 view = kForward * -1.0;
  const double facing = Dot(n, kKeyLight);
  const double shadow = 1.0 + (SoftShadow(scene, p, n) - 1.0) * SmoothStep(0.0, 0.25, facing);
  const double ambient = (0.05 + 0.05 * n.y) * AmbientOcclusion(scene, p, n);
  const Vec3 flamePoint{0.0, scene.wickTop + 14.0, 0.0};
  const double flameDistance = Length(flamePoint - p);
  const double flame = 0.6 * std::max(0.0, Dot(n, (flamePoint - p) * (1.0 / flameDistance))) /
                       (1.0 + (flameDistance / 22.0) * (flameDistance / 22.0));
  const Vec3 half = Normalize(kKeyLight + view);
  switch (material) {
    case kWax: {
      // Wax lets light through: the lit side wraps a little past the terminator, and the top glows.
      const double diffuse = std::max(0.0, (facing + 0.2) / 1.2) * shadow;
      const double fill = 0.07 * std::max(0.0, Dot(n, kFillLight));
      const double grazing = std::pow(1.0 - Clamp01(Dot(n, view)), 2.0);
      const Vec3 albedo = Mix(kWaxAlbedo, kWaxEdgeAlbedo, grazing);
      const Vec3 lit =
          albedo * (1.1 * diffuse) + albedo * kRoomLight * (ambient + fill) + albedo * kFlameLight * flame;
      const double below = std::max(scene.top - p.y, 0.0);
      const Vec3 glow = Vec3{1.0, 0.45, 0.08} * (0.25 * std::exp(-below / 8.0));
      // The highlight of a tall strip of light to the right: a white stripe down the round body.
      const Vec3 strip = Normalize({half.x, 0.0, half.z});
      const double specular = 0.85 * std::pow(std::max(0.0, Dot(n, strip)), 60.0) * shadow;
      return lit + glow + Vec3{1.0, 1.0, 0.95} * specular;
    }
    case kWick: {
      const double diffuse = std::max(0.0, facing) * shadow;
      const double ember = SmoothStep(scene.wickTop - 3.0, scene.wickTop - 0.5, p.y);
      return kWickAlbedo * (diffuse + ambient) + Vec3{0.16, 0.035, 0.008} * ember;
    }
    case kDish: {
      const double diffuse = std::max(0.0, facing) * shadow;
      const double fill = 0.1 * std::max(0.0, Dot(n, kFillLight));
      const double specular = 0.55 * std::pow(std::max(0.0, Dot(n, half)), 48.0) * shadow;
      return kDishAlbedo * (diffuse + flame * 0.8) + kDishAlbedo * kRoomLight * (ambient + fill) +
             Vec3{1.0, 0.9, 0.75} * specular;
    }
    case kNone: break;
  }
  return {};
}

Vec3 TraceSample(const StageScene& scene, double column, double row) {
  const double across = column - kAxisColumn;
  const double up = kTableRow - row;
  if (std::abs(across) > 90.0) return {};
  const Vec3 origin = Vec3{across, up * kCosView, -up * kSinView} - kForward * 300.0;
  double t = 0.0;
  for (int i = 0; i < 500 && t < 600.0; ++i) {
    const Vec3 p = origin + kForward * t;
    const SceneHit hit = SceneDistance(scene, p);
    if (hit.distance < 0.004) return Shade(scene, p, hit.material);
    t += hit.distance * 0.85;
  }
  return {};
}

double ToSrgb(double linear) {
  const double v = Clamp01(linear);
  return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

}  // namespace

StagePlacement PlacementFor(int stage) {
  assert(stage >= 0 && stage < 6);
  // In a window at least 300 high the flame's lower edge lies 137 rows, less the stage's lift, below the
  // stage image's top edge.
  const int flameEdge = 137 - flame::StageFlameOffsets[static_cast<std::size_t>(stage)];
  return {kTopEdgeRows[static_cast<std::size_t>(stage)], flameEdge, flameEdge - kWickTipAboveFlameEdge};
}

std::vector<Vec3> RenderStage(int stage) {
  const StageScene scene{stage, TopHeight(stage), WickTopHeight(stage)};
  // Sixteen samples, each on its own column and its own row of a 16 x 16 grid, so that the nearly upright
  // sides of the taper get sixteen steps of coverage rather than four.
  constexpr int kSamples = 16;
  std::vector<Vec3> pixels(static_cast<std::size_t>(kStageWidth * kStageHeight));
  for (int row = 0; row < kStageHeight; ++row) {
    for (int column = 0; column < kStageWidth; ++column) {
      Vec3 sum{};
      for (int i = 0; i < kSamples; ++i) {
        const double across = (i + 0.5) / kSamples;
        const double down = ((i * 5) % kSamples + 0.5) / kSamples;
        sum = sum + TraceSample(scene, column + across, row + down);
      }
      const Vec3 mean = sum * (1.0 / kSamples);
      pixels[static_cast<std::size_t>(row * kStageWidth + column)] = {ToSrgb(mean.x), ToSrgb(mean.y),
                                                                      ToSrgb(mean.z)};
    }
  }
  return pixels;
}

}  // namespace veltane::stageart
