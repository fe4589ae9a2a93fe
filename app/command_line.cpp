#include "app/command_line.h"

#include <cstdint>
#include <string_view>

namespace veltane::app {

using platform::HWND;

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = LowerAscii(c);
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// "0x" and hexadecimal digits, after any blanks; the value wraps in 32 bits. 0 for any other text.
HWND ReadHexadecimalHandle(const char* text) {
  while (IsBlank(*text)) ++text;
  if (text[0] != '0' || LowerAscii(text[1]) != 'x') return 0;
  std::uint32_t value = 0;
  for (const char* p = text + 2; HexDigit(*p) >= 0; ++p)
    value = value * 16u + static_cast<std::uint32_t>(HexDigit(*p));
  return value;
}

HWND ReadHandle(const char* text) {
  if (text == nullptr) return 0;
  const HWND decimal = ReadDecimalHandle(text);
  return decimal != 0 ? decimal : ReadHexadecimalHandle(text);
}

}  // namespace

bool MatchOption(const char* argument, const char* option) {
  if (*argument == '-' || *argument == '/') ++argument;
  for (; *argument != '\0' && *option != '\0'; ++argument, ++option) {
    if (LowerAscii(*argument) != LowerAscii(*option)) return false;
  }
  return *argument == '\0' && *option == '\0';
}

SaverMode SelectMode(std::span<const std::string> arguments) {
  if (arguments.size() <= 1) return SaverMode::Configuration;
  const char* first = arguments[1].c_str();
  if (MatchOption(first, "c")) return SaverMode::Configuration;
  if (MatchOption(first, "p")) return SaverMode::Preview;
  if (MatchOption(first, "s")) return SaverMode::FullScreen;
  const std::string_view word = arguments[1];
  if (word == "-root" || word == "--root") return SaverMode::RootWindow;
  if (word == "--help" || word == "-h") return SaverMode::Help;
  if (word == "--version") return SaverMode::Version;
  return SaverMode::None;
}

HWND ReadDecimalHandle(const char* text) {
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  std::uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
  return negative ? 0u - value : value;
}

HWND PreviewHostWindow(const char* argument, const char* environment) {
  const HWND fromArgument = ReadHandle(argument);
  return fromArgument != 0 ? fromArgument : ReadHandle(environment);
}

const char* PreviewHandleArgument(std::span<const std::string> arguments) {
  if (arguments.size() <= 2) return nullptr;
  const std::string& second = arguments[2];
  if (second == "-window-id" || second == "--window-id") {
    return arguments.size() > 3 ? arguments[3].c_str() : nullptr;
  }
  return second.c_str();
}

}  // namespace veltane::app
