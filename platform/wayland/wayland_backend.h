#pragma once
// The Wayland backend. The only place that includes Wayland's headers is its .cpp files.

#include <memory>
#include <string>

#include "platform/backend.h"

namespace veltane::platform {

struct WaylandConnection {
  std::unique_ptr<Backend> backend;
  // Why a compositor that answered cannot be used (it offers no shell, for one), as a line for the user.
  // Empty when the backend was made, or when no compositor answered at all.
  std::string problem;
};

// Connects to the compositor named by $WAYLAND_DISPLAY, or to the default socket.
WaylandConnection ConnectWayland(const BackendOptions& options = {});

}  // namespace veltane::platform
