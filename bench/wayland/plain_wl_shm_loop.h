#pragma once
// The baseline for the saver on Wayland: a loop that does nothing but convert a 70 x 100 bottom-up 24-bit
// image, the flame's kind, into a wl_shm buffer of a full-screen layer surface and commit it, as fast as
// the compositor hands its buffers back.

namespace veltane::bench {

// Frames per second of the loop over the given time, on the compositor that $WAYLAND_DISPLAY names;
// 0 when it cannot run there.
double PlainWlShmFramesPerSecond(double seconds);

}  // namespace veltane::bench
