#pragma once
// The scheduling priority of the window modes, whose frame loop keeps a processor busy.

namespace veltane::platform {

// The niceness below which the saver gives way: the user's own work, a build or a download that runs
// while the screen is idle, should not be slowed by the frames.
constexpr int kSaverNiceness = 10;

// Lowers the process's priority to niceness kSaverNiceness, unless a host already lowered it further.
// Returns the niceness the process then has.
int LowerSchedulingPriority();

}  // namespace veltane::platform
