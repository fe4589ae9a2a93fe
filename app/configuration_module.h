#pragma once
// The configuration mode's dialog lives in a module of its own, loaded only by that mode, so that the
// window modes never map the dialog's toolkit.

#include <string>

#include "config/show_configuration.h"
#include "settings/settings_store.h"

namespace veltane::app {

// The module's place: beside the program's real file (links resolved, so also when a host runs the
// program through a link of its own), at the same relative path below the prefix as below the build tree.
std::string ConfigurationModulePath();

// The store's profile calls, as the dialog makes them.
config::ProfileAccess ProfileAccessOf(settings::SettingsStore& store);

// Loads the module at modulePath and shows the configuration with the store's values. 0 once the dialog
// has been shown; 1 with a line on standard error when the module cannot be loaded or no window can be
// shown.
int RunConfiguration(settings::SettingsStore& store, const std::string& modulePath);

}  // namespace veltane::app
