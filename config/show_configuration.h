#pragma once
// The configuration mode: the three settings in the configuration dialog, stored again on OK.

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace veltane::config {

// The settings store as the configuration mode uses it; a test may watch the calls through it.
struct ProfileAccess {
  std::string ApplicationName;
  std::string ProfileName;
  // The file that holds the values, as a failed write names it.
  std::string FilePath;
  // The user's home folder, from which the file is named as ~/...
  std::string HomeFolder;
  std::function<std::int32_t(const std::string& section, const std::string& entry, std::int32_t defaultValue)>
      GetProfileInt;
  // Stores the entries' values in one new version of the file, in the order given; why not, when it fails.
  std::function<std::error_code(const std::string& section,
                                const std::vector<std::pair<std::string, std::int32_t>>& values)>
      WriteProfileInts;
};

enum class ConfigurationOutcome {
  // The dialog was shown and closed, with its values stored on OK.
  Closed,
  // Nothing was shown or stored: no display, or a window system on which nothing is seen.
  NoWindow,
  // OK could not store the values, and a message has said so; the file is as it was.
  NotSaved,
};

// Reads DelayOn, DelayTime and BurnTime and shows the dialog. OK stores all three, in that order, in one
// write while the dialog is still up, so that a message about a failed write belongs to the dialog.
ConfigurationOutcome ShowConfiguration(const ProfileAccess& profile);

// The one sentence that tells the user that the values could not be stored in the file at path, and why;
// a path below home is shown from ~, and an empty one not at all.
std::string SaveFailureText(const std::string& path, std::error_code error, const std::string& home);

// The one function the configuration module exports, by this name, for the program to look up.
inline constexpr char kShowConfigurationSymbol[] = "VeltaneShowConfiguration";
using ShowConfigurationFunction = ConfigurationOutcome (*)(const ProfileAccess* profile);

}  // namespace veltane::config

extern "C" veltane::config::ConfigurationOutcome VeltaneShowConfiguration(
    const veltane::config::ProfileAccess* profile);
