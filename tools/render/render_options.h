#pragma once
// The command line of veltane-render.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace veltane::render {

struct RenderOptions {
  std::int32_t width = 640;
  std::int32_t height = 480;
  std::uint32_t frames = 300;
  std::uint32_t frameMs = 10;
  std::optional<std::int64_t> seed;  // Calendar seconds for the run's seed; none means now.
  std::uint32_t startTick = 0;
  std::uint32_t burnMinutes = 10;
  std::uint32_t every = 1;
  std::int32_t scale = 1;  // Screen pixels to a side of a picture pixel, as on a dense monitor.
  std::string outDir;
};

struct UsageRequest {};

// The options, a request for the usage text, or a one-line error.
using ParseResult = std::variant<RenderOptions, UsageRequest, std::string>;
ParseResult ParseRenderOptions(const std::vector<std::string>& args);

extern const char* const kRenderUsage;

}  // namespace veltane::render
