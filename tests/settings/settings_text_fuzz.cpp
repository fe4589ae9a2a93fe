// Arbitrary bytes as the text of a settings file, read as the saver reads it, given the three values as OK
// writes them (the first twelve bytes choose them) and read again: the values must read back as written,
// the file must keep exactly one byte-order mark where it had any, and the user's lines must stay in order.

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace {

using veltane::settings::ProfileIntIn;
using veltane::settings::ProfileValues;

constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::size_t kValueBytes = 3 * sizeof(std::int32_t);

// All lines but blank ones, the group's header and the three entries' lines wherever they stand, which a
// write may add or change; a line may gain a carriage return where the file ends its lines so.
std::vector<std::string> UsersLines(std::string_view text) {
  while (text.starts_with(kMark)) text.remove_prefix(kMark.size());
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    std::string bare = line;
    std::erase_if(bare, [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
    const std::string name = bare.substr(0, bare.find('='));
    const bool entry = name != bare && (name == "DelayOn" || name == "DelayTime" || name == "BurnTime");
    if (!entry && !bare.empty() && bare != "[veltane]")
      lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ProfileValues values{{"DelayOn", 0}, {"DelayTime", 0}, {"BurnTime", 0}};
  if (size < kValueBytes) return 0;
  for (std::size_t i = 0; i < values.size(); ++i)
    std::memcpy(&values[i].second, data + i * sizeof(std::int32_t), sizeof(std::int32_t));
  const std::string_view text(reinterpret_cast<const char*>(data) + kValueBytes, size - kValueBytes);
  for (const auto& [entry, value] : values) ProfileIntIn(text, "veltane", entry, 0);

  const std::string written = veltane::settings::WithProfileValues(text, "veltane", values);

  // A default that differs from the value tells a missing entry from a stored one.
  for (const auto& [entry, value] : values) {
    if (ProfileIntIn(written, "veltane", entry, ~value) != value) __builtin_trap();
  }
  const std::size_t marks = text.starts_with(kMark) ? kMark.size() : 0;
  if (written.starts_with(kMark) != (marks > 0) || written.substr(marks).starts_with(kMark)) __builtin_trap();
  if (UsersLines(text) != UsersLines(written)) __builtin_trap();
  return 0;
}
