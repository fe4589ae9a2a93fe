#pragma once
// Which window system a window mode runs on.

#include <optional>

#include "app/command_line.h"

namespace veltane::app {

// Makes the mode's backend current. Full screen takes a live Wayland compositor where one answers and X11
// otherwise; the preview's host is an X window, so it always takes X11. Returns the exit code when the
// process must end at once instead (with its one-line message already written to standard error, where
// there is one): full screen ends with 0 on a display where another full-screen saver runs.
std::optional<int> ChooseBackend(SaverMode mode);

}  // namespace veltane::app
