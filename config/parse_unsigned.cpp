#include "config/parse_unsigned.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace veltane::config {

std::optional<std::uint32_t> ParseUnsigned(std::string_view text) {
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  const auto skip = [&text](std::size_t at, std::string_view set) {
    while (at < text.size() && set.find(text[at]) != std::string_view::npos) ++at;
    return at;
  };
  std::size_t at = skip(0, " \t");
  const char first = at < text.size() ? text[at] : '\0';
  // The standard conversion skips any white space and takes a sign of either kind; a minus sign behind a
  // line break would turn a negative number into a huge one, so it is refused like a leading one.
  at = skip(at, " \t\n\v\f\r");
  if (at < text.size() && text[at] == '-') return std::nullopt;
  if (at < text.size() && text[at] == '+') ++at;
  std::uint64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min(value * 10 + static_cast<std::uint64_t>(text[at] - '0'), kLargest);
  }
  // A zero counts only when the text begins with the digit: no digit at all, a sign alone and "+0" are refused.
  if (value == 0 && first != '0') return std::nullopt;
  if (skip(at, " \t") != text.size()) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace veltane::config
