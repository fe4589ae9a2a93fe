#pragma once
// The configuration mode: the three settings in the configuration dialog, stored again on OK.

#include <cstdint>
#include <functional>
#include <string>

namespace veltane::app {
class SettingsStore;
}

namespace veltane::config {

// The settings store as the configuration mode uses it; a test may watch the calls through it.
struct ProfileAccess {
  std::string ApplicationName;
  std::string ProfileName;
  std::function<std::int32_t(const std::string& section, const std::string& entry, std::int32_t defaultValue)>
      GetProfileInt;
  std::function<bool(const std::string& section, const std::string& entry, std::int32_t value)> WriteProfileInt;
};

// Reads DelayOn, DelayTime and BurnTime, shows the dialog and writes all three back, in the same order,
// only when the user leaves it with OK. Without a display nothing is shown or written.
void ShowConfiguration(const ProfileAccess& profile);
void ShowConfiguration(app::SettingsStore& store);

}  // namespace veltane::config
