#include "settings/ini_text.h"

#include <charconv>

namespace veltane::settings {
namespace {

constexpr std::int64_t kLowestValue = -(std::int64_t{1} << 31);
constexpr std::int64_t kHighestValue = (std::int64_t{1} << 32) - 1;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Other, Header, Entry };

// One line of the text, its newline excluded; for an entry, where its value stands without the blanks.
struct IniLine {
  std::size_t next = 0;
  LineKind kind = LineKind::Other;
  std::string_view name;
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

IniLine LineAt(std::string_view text, std::size_t begin) {
  const std::size_t newline = text.find('\n', begin);
  const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
  IniLine line;
  line.next = newline == std::string_view::npos ? text.size() : newline + 1;
  const std::string_view content = Trimmed(text.substr(begin, end - begin));
  if (content.empty() || content.front() == ';' || content.front() == '#') return line;
  if (content.front() == '[') {
    const std::size_t close = content.find(']');
    if (close == std::string_view::npos) return line;
    line.kind = LineKind::Header;
    line.name = content.substr(1, close - 1);
    return line;
  }
  const std::size_t equals = text.find('=', begin);
  if (equals >= end) return line;
  line.kind = LineKind::Entry;
  line.name = Trimmed(text.substr(begin, equals - begin));
  line.valueEnd = end;
  while (line.valueEnd > equals + 1 && IsBlank(text[line.valueEnd - 1])) --line.valueEnd;
  line.valueBegin = equals + 1;
  while (line.valueBegin < line.valueEnd && IsBlank(text[line.valueBegin])) ++line.valueBegin;
  return line;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Undoes EscapedGroupName; a '%' that starts no two-digit code stands for itself.
std::string UnescapedGroupName(std::string_view name) {
  std::string result;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 2 < name.size() && HexValue(name[i + 1]) >= 0 && HexValue(name[i + 2]) >= 0) {
      result += static_cast<char>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
      i += 2;
    } else {
      result += name[i];
    }
  }
  return result;
}

// Where the last line of key in group has its value, and where a new line of that group would go.
struct KeyPlace {
  std::optional<std::pair<std::size_t, std::size_t>> value;
  std::optional<std::size_t> groupEnd;
};

KeyPlace FindKey(std::string_view text, std::string_view group, std::string_view key) {
  KeyPlace place;
  bool inGroup = false;
  for (std::size_t begin = 0; begin < text.size();) {
    const IniLine line = LineAt(text, begin);
    if (line.kind == LineKind::Header) {
      inGroup = UnescapedGroupName(line.name) == group;
      if (inGroup) place.groupEnd = line.next;
    } else if (line.kind == LineKind::Entry && inGroup) {
      place.groupEnd = line.next;
      if (line.name == key) place.value = std::pair{line.valueBegin, line.valueEnd};
    }
    begin = line.next;
  }
  return place;
}

// The text behind the byte-order marks at its start: an editor that marks a file that was marked already
// leaves two, and none of them belongs to a line.
std::string_view AfterMarks(std::string_view text) {
  while (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return text;
}

// SetIniValue on the text behind the marks.
std::string SetValueInLines(std::string_view text, std::string_view group, std::string_view key,
                            std::string_view value) {
  const KeyPlace place = FindKey(text, group, key);
  std::string result(text);
  if (place.value) {
    return result.replace(place.value->first, place.value->second - place.value->first, value);
  }
  // New lines follow the file's own line ends.
  const std::string newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  const std::string entry = std::string(key) + '=' + std::string(value) + newline;
  const bool endsOpen = !result.empty() && result.back() != '\n';
  if (place.groupEnd) {
    result.insert(*place.groupEnd, *place.groupEnd == result.size() && endsOpen ? newline + entry : entry);
    return result;
  }
  if (endsOpen) result += newline;
  if (!result.empty()) result += newline;
  return result + '[' + EscapedGroupName(group) + ']' + newline + entry;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view group, std::string_view key) {
  text = AfterMarks(text);
  const KeyPlace place = FindKey(text, group, key);
  if (!place.value) return std::nullopt;
  std::string_view value = text.substr(place.value->first, place.value->second - place.value->first);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::string SetIniValue(std::string_view text, std::string_view group, std::string_view key,
                        std::string_view value) {
  const std::string_view lines = AfterMarks(text);
  // One mark keeps the file marked as UTF-8; more would say nothing more.
  const std::string_view mark = lines.size() < text.size() ? kByteOrderMark : std::string_view();
  return std::string(mark) + SetValueInLines(lines, group, key, value);
}

std::string EscapedGroupName(std::string_view group) {
  std::string result;
  for (const char c : group) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.') {
      result += c;
    } else {
      result += '%';
      result += kHexDigits[byte / 16];
      result += kHexDigits[byte % 16];
    }
  }
  return result;
}

std::optional<std::int32_t> ParseStoredNumber(std::string_view text) {
  std::int64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end || number < kLowestValue ||
      number > kHighestValue) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

}  // namespace veltane::settings
