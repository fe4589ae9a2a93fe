#include "config/parse_unsigned.h"

#include <cstddef>
#include <limits>

namespace veltane::config {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The white space that the standard conversion skips on its own, beyond blanks and tabs.
bool IsSpace(char c) { return IsBlank(c) || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) {
    ++at;
  }
  return at;
}

}  // namespace

std::optional<std::uint32_t> ParseUnsigned(std::string_view text) {
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();

  std::size_t at = SkipBlanks(text, 0);
  const char first = at < text.size() ? text[at] : '\0';
  if (first == '-') {
    return std::nullopt;
  }

  // The standard conversion skips any white space and takes a sign of either kind; a minus sign behind a
  // line break would turn a negative number into a huge one, so it is refused like a leading one.
  std::size_t cursor = at;
  while (cursor < text.size() && IsSpace(text[cursor])) {
    ++cursor;
  }
  if (cursor < text.size() && text[cursor] == '-') {
    return std::nullopt;
  }
  if (cursor < text.size() && text[cursor] == '+') {
    ++cursor;
  }
  std::uint64_t value = 0;
  const std::size_t digitsStart = cursor;
  while (cursor < text.size() && IsDigit(text[cursor])) {
    value = value * 10 + static_cast<std::uint64_t>(text[cursor] - '0');
    if (value > kLargest) {
      value = kLargest + 1;
    }
    ++cursor;
  }
  if (cursor > digitsStart) {
    at = cursor;
  }
  if (value > kLargest) {
    value = kLargest;
  }

  if (value == 0 && first != '0') {
    return std::nullopt;
  }
  if (SkipBlanks(text, at) != text.size()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace veltane::config
