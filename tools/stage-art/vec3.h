#pragma once
// The little vector arithmetic that the renderer of the stage artwork needs.

#include <algorithm>
#include <cmath>

namespace veltane::stageart {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vec3 operator*(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
constexpr double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) { return a * (1.0 / Length(a)); }
constexpr Vec3 Mix(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }
constexpr double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
inline double SmoothStep(double e0, double e1, double v) {
  const double t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}

}  // namespace veltane::stageart
