#pragma once
// The configuration mode: the three settings in the configuration dialog, stored again on OK.

#include <cstdint>
#include <functional>
#include <string>

namespace veltane::config {

// The settings store as the configuration mode uses it; a test may watch the calls through it.
struct ProfileAccess {
  std::string ApplicationName;
  std::string ProfileName;
  std::function<std::int32_t(const std::string& section, const std::string& entry, std::int32_t defaultValue)>
      GetProfileInt;
  std::function<bool(const std::string& section, const std::string& entry, std::int32_t value)>
      WriteProfileInt;
};

// Reads DelayOn, DelayTime and BurnTime, shows the dialog and writes all three back, in the same order,
// only when the user leaves it with OK. False, with nothing shown or written, when no window can be shown
// (no display, or a window system on which nothing is seen).
bool ShowConfiguration(const ProfileAccess& profile);

// The one function the configuration module exports, by this name, for the program to look up.
inline constexpr char kShowConfigurationSymbol[] = "VeltaneShowConfiguration";
using ShowConfigurationFunction = bool (*)(const ProfileAccess* profile);

}  // namespace veltane::config

extern "C" bool VeltaneShowConfiguration(const veltane::config::ProfileAccess* profile);
