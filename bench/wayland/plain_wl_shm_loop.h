#pragma once
// The baseline for the saver on Wayland: a loop that does nothing but commit the same 70 x 100 image to a
// full-screen layer surface through wl_shm, as fast as the compositor hands its buffers back.

namespace veltane::bench {

// Frames per second of the loop over the given time, on the compositor that $WAYLAND_DISPLAY names;
// 0 when it cannot run there.
double PlainWlShmFramesPerSecond(double seconds);

}  // namespace veltane::bench
