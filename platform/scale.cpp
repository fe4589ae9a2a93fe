#include "platform/scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace veltane::platform {
namespace {

// Desktops publish Xft.dpi as 96 times their scale; GTK and Qt read it so.
constexpr double kDpiPerScale = 96;
// A monitor is taken for twice as dense only from this height and above this density, as GNOME decides.
constexpr std::int32_t kDenseMinHeight = 1200;
constexpr std::int64_t kDenseDpi = 192;
constexpr int kDenseScale = 2;

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
}

std::optional<int> WholeScale(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1) return {};
  return value;
}

// The last Xft.dpi line's value, which is the one in force, as the resource manager reads them.
std::optional<double> XftDpi(std::string_view resources) {
  constexpr std::string_view kName = "Xft.dpi";
  std::optional<double> dpi;
  while (!resources.empty()) {
    const auto end = resources.find('\n');
    const std::string_view line = Trim(resources.substr(0, end));
    resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
    if (!line.starts_with(kName)) continue;
    const std::string_view rest = Trim(line.substr(kName.size()));
    if (!rest.starts_with(':')) continue;
    const std::string_view text = Trim(rest.substr(1));
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && stop == text.data() + text.size() && std::isfinite(value) && value > 0)
      dpi = value;
  }
  return dpi;
}

// Denser than kDenseDpi: pixels per inch, that is pixels * 25.4 / millimetres, kept in whole numbers.
bool Dense(std::int32_t pixels, std::int32_t millimetres) {
  return millimetres > 0 && std::int64_t{pixels} * 254 > kDenseDpi * 10 * millimetres;
}

}  // namespace

int X11Scale(const X11ScaleHints& hints) {
  if (hints.gdkScale != nullptr) {
    if (const std::optional<int> scale = WholeScale(hints.gdkScale)) return *scale;
  }
  if (const std::optional<double> dpi = XftDpi(hints.resources)) {
    return std::max(1, static_cast<int>(std::min(*dpi / kDpiPerScale, 1e6)));
  }
  const bool measured = hints.monitorMillimetres.width > 0 && hints.monitorMillimetres.height > 0;
  const Size pixels = measured ? hints.monitor : hints.screen;
  const Size millimetres = measured ? hints.monitorMillimetres : hints.screenMillimetres;
  if (hints.monitor.height >= kDenseMinHeight && Dense(pixels.width, millimetres.width) &&
      Dense(pixels.height, millimetres.height)) {
    return kDenseScale;
  }
  return 1;
}

int FitScale(int scale, Size window) {
  if (scale <= 1) return 1;
  const bool roomy =
      window.width / scale >= kMinScaledPicture.width && window.height / scale >= kMinScaledPicture.height;
  return roomy ? scale : 1;
}

}  // namespace veltane::platform
