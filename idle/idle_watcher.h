#pragma once
// The watcher: the first idle source that applies, the delay, and the saver as its one child, all served by
// one main loop that waits on every connection, the child and the signals in one place.

#include <glib.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "idle/idle_delay.h"
#include "idle/idle_source.h"
#include "idle/saver_child.h"

namespace veltane::idle {

class IdleWatcher final : public IdleEvents {
 public:
  explicit IdleWatcher(std::string saverProgram);
  ~IdleWatcher();
  IdleWatcher(const IdleWatcher&) = delete;
  IdleWatcher& operator=(const IdleWatcher&) = delete;

  // Runs until the session ends (kNoSessionExitCode, as when no source applies) or a signal ends it (0).
  int Run(std::optional<std::chrono::seconds> givenDelay);

  void OnIdle() override;
  void OnActive() override;
  void OnHeld(bool held) override;
  void OnGone(const std::string& why) override;

 private:
  bool Connect();
  void ApplyDelay();

  GMainLoop* m_loop;
  SaverChild m_saver;
  std::unique_ptr<IdleSource> m_source;
  std::unique_ptr<GnomeIdleDelay> m_gnomeDelay;
  std::optional<std::chrono::seconds> m_givenDelay;
  bool m_held = false;
  int m_exitCode = 0;
};

}  // namespace veltane::idle
