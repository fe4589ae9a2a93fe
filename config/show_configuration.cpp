#include "config/show_configuration.h"

#include <cstdint>
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

bool ShowConfiguration(const ProfileAccess& profile) {
  const std::string section = profile.ProfileName;
  const std::int32_t speedControl = profile.GetProfileInt(section, "DelayOn", kDefaultDelayOn) == 1 ? 1 : 0;
  const std::int32_t frameDelay = profile.GetProfileInt(section, "DelayTime", kDefaultDelayTime);
  const std::int32_t burnMinutes = profile.GetProfileInt(section, "BurnTime", kDefaultBurnTime);

  const ScopedApplication application(profile.ApplicationName);
  if (!application.CanShowDialogs()) {
    return false;
  }
  ConfigDlg dlg(profile.ApplicationName);
  dlg.SpeedControl = speedControl;
  dlg.FrameDelay = frameDelay;
  dlg.BurnMinutes = static_cast<std::uint32_t>(burnMinutes);
  if (dlg.DoModal() != IDOK) {
    return true;
  }
  profile.WriteProfileInt(section, "DelayOn", dlg.SpeedControl);
  profile.WriteProfileInt(section, "DelayTime", dlg.FrameDelay);
  profile.WriteProfileInt(section, "BurnTime", static_cast<std::int32_t>(dlg.BurnMinutes));
  return true;
}

}  // namespace veltane::config

extern "C" bool VeltaneShowConfiguration(const veltane::config::ProfileAccess* profile) {
  return veltane::config::ShowConfiguration(*profile);
}
