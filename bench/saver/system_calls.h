#pragma once
// Counts the system calls that this process makes while a piece of work runs, with strace attached to it.

#include <functional>

namespace veltane::bench {

// The number of system calls that `strace -c -f` counted in this process, all its threads, while run ran;
// -1 when strace could not be started or attached (then run is not called).
long CountSystemCalls(const std::function<void()>& run);

}  // namespace veltane::bench
