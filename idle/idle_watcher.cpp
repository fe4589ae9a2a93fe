#include "idle/idle_watcher.h"

#include <glib-unix.h>
#include <signal.h>

#include <cstdio>

#include "idle/idle_command_line.h"

namespace veltane::idle {

IdleWatcher::IdleWatcher(std::string saverProgram)
    : m_loop(g_main_loop_new(nullptr, FALSE)), m_saver(std::move(saverProgram)) {}

IdleWatcher::~IdleWatcher() {
  m_saver.Stop();
  g_main_loop_unref(m_loop);
}

// GNOME first: on its Wayland session no idle protocol is offered, and on its X11 session the monitor also
// sees what the shell does. A Wayland compositor without an idle protocol rules the X server out: that is
// XWayland, which sees none of the input that goes to Wayland windows.
bool IdleWatcher::Connect() {
  m_source = ConnectGnome(*this);
  if (m_source != nullptr) {
    m_gnomeDelay = std::make_unique<GnomeIdleDelay>([this] { ApplyDelay(); });
    return true;
  }
  bool compositorFound = false;
  m_source = ConnectWayland(*this, &compositorFound);
  if (m_source != nullptr) return true;
  if (compositorFound) {
    std::fputs(
        "veltane-idle: no idle source: GNOME's idle monitor is not on the session bus, and the Wayland "
        "compositor offers neither ext_idle_notifier_v1 nor org_kde_kwin_idle\n",
        stderr);
    return false;
  }
  m_source = ConnectX11(*this);
  if (m_source != nullptr) return true;
  std::fputs(
      "veltane-idle: no idle source: found no GNOME idle monitor on the session bus, no Wayland compositor "
      "and no X display with the IDLETIME counter\n",
      stderr);
  return false;
}

void IdleWatcher::ApplyDelay() {
  const std::chrono::seconds gnome = m_gnomeDelay != nullptr ? m_gnomeDelay->Get() : std::chrono::seconds(0);
  const DelayChoice choice = ChooseDelay(m_givenDelay, gnome);
  if (choice.gnomeBlanksFirst) {
    std::fprintf(
        stderr,
        "veltane-idle: GNOME blanks the screen after %lld s without input, before the delay of %lld s "
        "is over, so the saver will not show\n",
        static_cast<long long>(gnome.count()), static_cast<long long>(choice.delay.count()));
  }
  m_source->Watch(choice.delay);
}

int IdleWatcher::Run(std::optional<std::chrono::seconds> givenDelay) {
  m_givenDelay = givenDelay;
  if (!Connect()) return kNoSessionExitCode;
  ApplyDelay();
  if (m_exitCode != 0) return m_exitCode;
  const auto quit = [](gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return gboolean{G_SOURCE_CONTINUE};
  };
  guint signals[] = {g_unix_signal_add(SIGTERM, quit, m_loop), g_unix_signal_add(SIGINT, quit, m_loop),
                     g_unix_signal_add(SIGHUP, quit, m_loop)};
  g_main_loop_run(m_loop);
  for (guint signal : signals) g_source_remove(signal);
  m_saver.Stop();
  m_source.reset();
  return m_exitCode;
}

void IdleWatcher::OnIdle() {
  if (!m_held) m_saver.Start();
}

void IdleWatcher::OnActive() { m_saver.Stop(); }

void IdleWatcher::OnHeld(bool held) {
  m_held = held;
  if (held) m_saver.Stop();
}

void IdleWatcher::OnGone(const std::string& why) {
  if (m_exitCode == 0) std::fprintf(stderr, "veltane-idle: %s\n", why.c_str());
  m_exitCode = kNoSessionExitCode;
  m_saver.Stop();
  g_main_loop_quit(m_loop);
}

}  // namespace veltane::idle
