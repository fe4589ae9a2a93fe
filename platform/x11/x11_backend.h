#pragma once
// The X11 backend. The only place that includes Xlib is its .cpp files.

#include <memory>

#include "platform/backend.h"

namespace veltane::platform {

// Connects to the display (nullptr: $DISPLAY). Returns nullptr when there is no display to connect to.
std::unique_ptr<Backend> CreateX11Backend(const char* displayName = nullptr,
                                          const BackendOptions& options = {});

}  // namespace veltane::platform
