// Arbitrary bytes as the text of a settings file: read as the saver and the dialog read it, given the three
// values as OK writes them, and read again. The values read back must be the ones written, the file must
// keep exactly one byte-order mark where it had any, and the user's own lines must stay, in their order.
// The first twelve bytes choose the values; the sanitizers catch any read or write out of bounds.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace {

using veltane::settings::ProfileIntIn;
using veltane::settings::ProfileValues;
using veltane::settings::WithProfileValues;

constexpr char kSection[] = "veltane";
constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::size_t kValueBytes = 3 * sizeof(std::int32_t);

std::string_view Trimmed(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// The lines that a write must leave alone: all but blank ones, the group's header and the lines of the three
// entries, wherever they stand, which a write may add or change. A line end may gain a carriage return
// where the file uses them.
std::vector<std::string_view> UsersLines(std::string_view text) {
  while (text.starts_with(kMark)) text.remove_prefix(kMark.size());
  std::vector<std::string_view> lines;
  for (std::size_t begin = 0; begin <= text.size();) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    const std::string_view line = text.substr(begin, end - begin);
    const std::string_view name = Trimmed(line.substr(0, line.find('=')));
    const bool entry = line.find('=') != std::string_view::npos &&
                       (name == "DelayOn" || name == "DelayTime" || name == "BurnTime");
    if (!entry && !Trimmed(line).empty() && Trimmed(line) != "[veltane]") {
      lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    }
    begin = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kValueBytes) return 0;
  ProfileValues values{{"DelayOn", 0}, {"DelayTime", 0}, {"BurnTime", 0}};
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::memcpy(&values[i].second, data + i * sizeof(std::int32_t), sizeof(std::int32_t));
  }
  const std::string_view text(reinterpret_cast<const char*>(data) + kValueBytes, size - kValueBytes);
  for (const auto& [entry, value] : values) ProfileIntIn(text, kSection, entry, 0);

  const std::string written = WithProfileValues(text, kSection, values);

  for (const auto& [entry, value] : values) {
    // A default that differs from the value tells a missing entry from a stored one.
    if (ProfileIntIn(written, kSection, entry, ~value) != value) __builtin_trap();
  }
  const std::size_t marks = text.starts_with(kMark) ? kMark.size() : 0;
  if (written.starts_with(kMark) != (marks > 0) || written.substr(marks).starts_with(kMark)) __builtin_trap();
  if (UsersLines(text) != UsersLines(written)) __builtin_trap();
  return 0;
}
