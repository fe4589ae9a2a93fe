#include "config/show_configuration.h"

#include <cstdint>
#include <string>

#include "app/settings_store.h"
#include "config/config_dlg.h"
#include "config/dialog_template.h"
#include "config/scoped_application.h"

namespace veltane::config {
namespace {

constexpr std::int32_t kDefaultDelayOn = 0;
constexpr std::int32_t kDefaultDelayTime = 10;
// The dialog proposes a longer burn time than the saver assumes when nothing is stored.
constexpr std::int32_t kDefaultBurnTime = 20;

}  // namespace

void ShowConfiguration(app::SettingsStore& store) {
  const std::string section = store.ProfileName();
  const std::int32_t speedControl = store.GetProfileInt(section, "DelayOn", kDefaultDelayOn) == 1 ? 1 : 0;
  const std::int32_t frameDelay = store.GetProfileInt(section, "DelayTime", kDefaultDelayTime);
  const std::int32_t burnMinutes = store.GetProfileInt(section, "BurnTime", kDefaultBurnTime);

  const ScopedApplication application(store.ApplicationName());
  if (!application.CanShowDialogs()) {
    return;
  }
  ConfigDlg dlg(store.ApplicationName());
  dlg.SpeedControl = speedControl;
  dlg.FrameDelay = frameDelay;
  dlg.BurnMinutes = static_cast<std::uint32_t>(burnMinutes);
  if (dlg.DoModal() != IDOK) {
    return;
  }
  store.WriteProfileInt(section, "DelayOn", dlg.SpeedControl);
  store.WriteProfileInt(section, "DelayTime", dlg.FrameDelay);
  store.WriteProfileInt(section, "BurnTime", static_cast<std::int32_t>(dlg.BurnMinutes));
}

}  // namespace veltane::config
