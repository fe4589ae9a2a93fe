#include "idle/saver_child.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstdio>

namespace veltane::idle {

SaverChild::~SaverChild() {
  if (m_watch != 0) g_source_remove(m_watch);
  if (m_pid > 0) g_spawn_close_pid(m_pid);
}

void SaverChild::Start() {
  if (Running()) return;
  gchar* argv[] = {m_program.data(), const_cast<gchar*>("s"), nullptr};
  GError* error = nullptr;
  // The saver goes with the watcher, however the watcher ends.
  const auto dieWithParent = [](gpointer) { prctl(PR_SET_PDEATHSIG, SIGTERM); };
  if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, dieWithParent, nullptr, &m_pid,
                     &error)) {
    std::fprintf(stderr, "veltane-idle: cannot start %s: %s\n", m_program.c_str(), error->message);
    g_error_free(error);
    m_pid = 0;
    return;
  }
  m_stopped = false;
  m_watch = g_child_watch_add(m_pid, &SaverChild::Ended, this);
}

void SaverChild::Stop() {
  if (!Running() || m_stopped) return;
  kill(m_pid, SIGTERM);
  m_stopped = true;
}

// The saver ends by itself with status 0 at the first input, or by the watcher's SIGTERM; anything else is
// worth a line in the session's log.
void SaverChild::Ended(GPid pid, gint status, gpointer data) {
  auto* self = static_cast<SaverChild*>(data);
  g_spawn_close_pid(pid);
  self->m_pid = 0;
  self->m_watch = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "veltane-idle: the saver ended with status %d\n", WEXITSTATUS(status));
  } else if (WIFSIGNALED(status) && !(self->m_stopped && WTERMSIG(status) == SIGTERM)) {
    std::fprintf(stderr, "veltane-idle: the saver ended by signal %d\n", WTERMSIG(status));
  }
}

}  // namespace veltane::idle
