#include "tools/render/render_options.h"

#include <charconv>
#include <limits>

namespace veltane::render {

const char* const kRenderUsage =
    "usage: veltane-render [--size WxH] [--frames N] [--frame-ms D] [--seed S] [--start-tick T]\n"
    "                      [--burn-minutes B] [--every K] [--scale N] --out DIR\n"
    "Runs the saver on an in-memory window and writes every K-th frame as DIR/frame-NNNNNN.png.\n"
    "With --scale N the picture is laid out for a window N times smaller and each of its pixels drawn as\n"
    "an N x N block, as the saver draws on a dense monitor.\n";

namespace {

// A whole decimal number in [low, high], nothing before or after it.
template <typename T>
bool ParseNumber(const std::string& text, T low, T high, T* value) {
  const char* first = text.data();
  const char* last = first + text.size();
  T parsed{};
  auto [end, error] = std::from_chars(first, last, parsed);
  if (error != std::errc() || end != last || text.empty() || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool ParseSize(const std::string& text, std::int32_t* width, std::int32_t* height) {
  const auto x = text.find('x');
  if (x == std::string::npos) return false;
  constexpr std::int32_t kMaxSide = 16384;
  return ParseNumber<std::int32_t>(text.substr(0, x), 1, kMaxSide, width) &&
         ParseNumber<std::int32_t>(text.substr(x + 1), 1, kMaxSide, height);
}

}  // namespace

ParseResult ParseRenderOptions(const std::vector<std::string>& args) {
  constexpr auto kMaxU32 = std::numeric_limits<std::uint32_t>::max();
  constexpr std::int32_t kMaxScale = 16;
  RenderOptions options;
  bool haveOut = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") return UsageRequest{};
    if (i + 1 >= args.size()) return "option " + name + " needs a value";
    const std::string& value = args[++i];
    bool ok = true;
    if (name == "--size") {
      ok = ParseSize(value, &options.width, &options.height);
    } else if (name == "--frames") {
      ok = ParseNumber<std::uint32_t>(value, 1, kMaxU32, &options.frames);
    } else if (name == "--frame-ms") {
      ok = ParseNumber<std::uint32_t>(value, 0, kMaxU32, &options.frameMs);
    } else if (name == "--seed") {
      std::int64_t seed = 0;
      ok = ParseNumber<std::int64_t>(value, std::numeric_limits<std::int64_t>::min(),
                                     std::numeric_limits<std::int64_t>::max(), &seed);
      options.seed = seed;
    } else if (name == "--start-tick") {
      ok = ParseNumber<std::uint32_t>(value, 0, kMaxU32, &options.startTick);
    } else if (name == "--burn-minutes") {
      ok = ParseNumber<std::uint32_t>(value, 0, kMaxU32, &options.burnMinutes);
    } else if (name == "--every") {
      ok = ParseNumber<std::uint32_t>(value, 1, kMaxU32, &options.every);
    } else if (name == "--scale") {
      ok = ParseNumber<std::int32_t>(value, 1, kMaxScale, &options.scale);
    } else if (name == "--out") {
      ok = !value.empty();
      options.outDir = value;
      haveOut = true;
    } else {
      return "unknown option " + name;
    }
    if (!ok) return "bad value for " + name + ": '" + value + "'";
  }
  if (!haveOut) return std::string("--out DIR is required");
  return options;
}

}  // namespace veltane::render
