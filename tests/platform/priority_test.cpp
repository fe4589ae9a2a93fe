#include "platform/priority.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veltane::platform {
namespace {

// The niceness a child process has after starting at `start` and lowering its priority; a niceness can
// only go up without privileges, so each case runs in its own process. -1 when the child cannot start at
// `start`.
int NicenessAfterLowering(int start) {
  const pid_t child = fork();
  if (child == 0) {
    if (setpriority(PRIO_PROCESS, 0, start) != 0 || getpriority(PRIO_PROCESS, 0) != start) _exit(255);
    const int reported = LowerSchedulingPriority();
    const int actual = getpriority(PRIO_PROCESS, 0);
    _exit(reported == actual ? actual : 254);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -2;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

TEST(SchedulingPriority, LowersToNicenessTenButNeverRaisesOne) {
  const int ours = getpriority(PRIO_PROCESS, 0);
  struct Case {
    int start;
    int expected;
  };
  for (const Case c : {Case{0, 10}, Case{9, 10}, Case{10, 10}, Case{15, 15}, Case{19, 19}}) {
    if (c.start < ours) continue;  // Out of reach without privileges.
    EXPECT_EQ(NicenessAfterLowering(c.start), c.expected) << "from " << c.start;
  }
}

}  // namespace
}  // namespace veltane::platform
