#pragma once
// Virtual-key codes from keysyms. X11 and xkbcommon number keysyms alike, so the X11 and Wayland backends
// share this.

#include <cstdint>

#include "platform/win_types.h"

namespace veltane::platform {

// The virtual-key code of a key's unshifted symbol; the saver closes on any key, so keys without a code
// of their own share 0.
WPARAM VirtualKeyFromKeysym(std::uint32_t keysym);

}  // namespace veltane::platform
