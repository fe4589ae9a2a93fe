#include "platform/priority.h"

#include <sys/resource.h>

#include <cerrno>

namespace veltane::platform {

// getpriority answers -1 both for a niceness of -1 and for a failure, so errno tells them apart; a
// priority that cannot be read is left alone.
int LowerSchedulingPriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0 || current >= kSaverNiceness) return current;
  if (setpriority(PRIO_PROCESS, 0, kSaverNiceness) != 0) return current;
  return kSaverNiceness;
}

}  // namespace veltane::platform
