#include "config/show_configuration.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "config/config_dlg.h"
#include "config/dialog_frame.h"
#include "config/scoped_application.h"

namespace veltane::config {
namespace {

constexpr std::int32_t kDefaultDelayOn = 0;
constexpr std::int32_t kDefaultDelayTime = 10;
// The dialog proposes a longer burn time than the saver assumes when nothing is stored.
constexpr std::int32_t kDefaultBurnTime = 20;

}  // namespace

std::string SaveFailureText(const std::string& path, std::error_code error, const std::string& home) {
  std::string shown = path;
  std::string folder = home;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder.size() > 1 && folder.front() == '/' && path.size() > folder.size() && path.starts_with(folder) &&
      path[folder.size()] == '/') {
    shown = '~' + path.substr(folder.size());
  }
  // Without a configuration home there is no file to name.
  return "Veltane could not save its settings" + (shown.empty() ? "" : " to " + shown) + ": " +
         error.message() + ".";
}

ConfigurationOutcome ShowConfiguration(const ProfileAccess& profile) {
  const std::string section = profile.ProfileName;
  const std::int32_t speedControl = profile.GetProfileInt(section, "DelayOn", kDefaultDelayOn) == 1 ? 1 : 0;
  const std::int32_t frameDelay = profile.GetProfileInt(section, "DelayTime", kDefaultDelayTime);
  const std::int32_t burnMinutes = profile.GetProfileInt(section, "BurnTime", kDefaultBurnTime);

  const ScopedApplication application(profile.ApplicationName);
  if (!application.CanShowDialogs()) {
    return ConfigurationOutcome::NoWindow;
  }
  ConfigDlg dlg(profile.ApplicationName);
  dlg.SpeedControl = speedControl;
  dlg.FrameDelay = frameDelay;
  dlg.BurnMinutes = static_cast<std::uint32_t>(burnMinutes);
  std::string failure;
  dlg.StoreValues = [&] {
    const std::error_code error =
        profile.WriteProfileInts(section, {{"DelayOn", dlg.SpeedControl},
                                           {"DelayTime", dlg.FrameDelay},
                                           {"BurnTime", static_cast<std::int32_t>(dlg.BurnMinutes)}});
    failure = error ? SaveFailureText(profile.FilePath, error, profile.HomeFolder) : std::string();
    // The same line for a session log, or the terminal the dialog was started from.
    if (!failure.empty()) std::fprintf(stderr, "%s\n", failure.c_str());
    return failure;
  };
  if (dlg.DoModal() != IDOK) {
    return ConfigurationOutcome::Closed;
  }
  return failure.empty() ? ConfigurationOutcome::Closed : ConfigurationOutcome::NotSaved;
}

}  // namespace veltane::config

extern "C" veltane::config::ConfigurationOutcome VeltaneShowConfiguration(
    const veltane::config::ProfileAccess* profile) {
  return veltane::config::ShowConfiguration(*profile);
}
