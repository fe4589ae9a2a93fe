#pragma once
// The text of a settings file: "[group]" headers and "key=value" lines. Finding a value reads the text as
// it stands; setting one changes that one line and leaves every other byte where the user put it. UTF-8
// byte-order marks at the start, as some editors write one, belong to no line: any run of them is read
// past, and a text set anew keeps one there.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltane::settings {

// The value of key in group, without the blanks around it and without one pair of double quotes; the last
// one wins when the key occurs more than once. Nothing when the key is not there.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view group, std::string_view key);

// The text with key in group set to value: the key's last line changed in place, or a new line after the
// group's last key, or a new group at the end.
std::string SetIniValue(std::string_view text, std::string_view group, std::string_view key,
                        std::string_view value);

// A group name as it stands between the brackets: letters, digits, '-', '_' and '.' as they are, every
// other byte as %XX, as files of earlier versions spelled it.
std::string EscapedGroupName(std::string_view group);

// Decimal text of a 32-bit number, signed or unsigned; an unsigned number above the signed range is the
// same 32 bits read as signed. Nothing for any other text.
std::optional<std::int32_t> ParseStoredNumber(std::string_view text);

}  // namespace veltane::settings
