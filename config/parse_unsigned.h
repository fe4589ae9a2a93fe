#pragma once
// The reading of an unsigned number typed into a dialog's edit field.

#include <cstdint>
#include <optional>
#include <string_view>

namespace veltane::config {

// An unsigned decimal number with blanks and tabs around it and an optional plus sign; larger numbers
// are taken as 4,294,967,295. Empty when the text holds anything else, a minus sign included, or no digit.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text);

}  // namespace veltane::config
