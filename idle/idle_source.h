#pragma once
// Where the watcher learns that the session is idle: GNOME's idle monitor, a Wayland compositor's idle
// protocol or the X server's idle counter. Each source reports through the same events, from the main loop.

#include <chrono>
#include <memory>
#include <string>

namespace veltane::idle {

class IdleEvents {
 public:
  // The delay has passed without input; once per idle period.
  virtual void OnIdle() = 0;
  // The first input after OnIdle.
  virtual void OnActive() = 0;
  // The desktop has taken the screen for its own blanking or lock (held), or given it back.
  virtual void OnHeld(bool held) = 0;
  // The session has ended under the source: its bus or display has gone. The process may end at once after.
  virtual void OnGone(const std::string& why) = 0;

 protected:
  ~IdleEvents() = default;
};

class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // Watches for this long without input, in place of any earlier delay.
  virtual void Watch(std::chrono::milliseconds delay) = 0;
};

// Each gives nothing where its kind of session is not there. A Wayland compositor that offers no idle
// protocol still sets *compositorFound: the X server beside it then sees none of the Wayland input.
std::unique_ptr<IdleSource> ConnectGnome(IdleEvents& events);
std::unique_ptr<IdleSource> ConnectWayland(IdleEvents& events, bool* compositorFound);
std::unique_ptr<IdleSource> ConnectX11(IdleEvents& events);

}  // namespace veltane::idle
