#pragma once
// Where the running program's file is, for its name and for what it finds beside it.

#include <string>

namespace veltane::platform {

// The running program's file, every link on the way resolved; empty when the system cannot tell.
std::string ExecutablePath();

}  // namespace veltane::platform
