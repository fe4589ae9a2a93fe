#include "platform/priority.h"

#include <sys/resource.h>

#include <cerrno>

namespace veltane::platform {

// A niceness of -1 and a failure read alike, so errno tells them apart; when the priority cannot be read,
// it is left alone.
int LowerSchedulingPriority() {
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, 0);
  if (errno != 0 || current >= kSaverNiceness) return current;
  if (setpriority(PRIO_PROCESS, 0, kSaverNiceness) != 0) return current;
  return kSaverNiceness;
}

}  // namespace veltane::platform
