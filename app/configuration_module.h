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

// The mode's exit code: 0 once the dialog has been shown and closed; 1 when OK could not store the values
// (the dialog has said why), and with a line on standard error when no window can be shown.
int ConfigurationExitCode(config::ConfigurationOutcome outcome);

// Loads the module at modulePath and shows the configuration with the store's values; the exit code as
// above, and 1 with a line on standard error when the module cannot be loaded.
int RunConfiguration(settings::SettingsStore& store, const std::string& modulePath);

}  // namespace veltane::app
