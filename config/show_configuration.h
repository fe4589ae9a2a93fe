#pragma once
// The configuration mode: the three settings in the configuration dialog, stored again on OK.

namespace veltane::app {
class SettingsStore;
}

namespace veltane::config {

// Reads DelayOn, DelayTime and BurnTime from the store, shows the dialog and writes all three back, in
// the same order, only when the user leaves it with OK. Without a display nothing is shown or written.
void ShowConfiguration(app::SettingsStore& store);

}  // namespace veltane::config
