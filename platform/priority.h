#pragma once
// The scheduling priority of the window modes, whose frame loop keeps a processor busy.

namespace veltane::platform {

// The least niceness the window modes run at, so that the user's own work, a build or a download that
// runs while the screen is idle, is not slowed by the frames.
constexpr int kSaverNiceness = 10;

// Lowers the process's priority to niceness kSaverNiceness, unless a host already lowered it further.
// Returns the niceness the process then has.
int LowerSchedulingPriority();

}  // namespace veltane::platform
