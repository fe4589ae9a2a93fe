#pragma once
// The saver, `veltane s`, run as the watcher's one child: started when the session goes idle, stopped with
// SIGTERM as a host stops it, and reaped from the main loop when it ends, whoever ended it.

#include <glib.h>

#include <string>

namespace veltane::idle {

class SaverChild {
 public:
  explicit SaverChild(std::string program) : m_program(std::move(program)) {}
  ~SaverChild();
  SaverChild(const SaverChild&) = delete;
  SaverChild& operator=(const SaverChild&) = delete;

  bool Running() const { return m_pid > 0; }
  // Starts the saver unless it runs already; a failure is one line on standard error.
  void Start();
  void Stop();

 private:
  static void Ended(GPid pid, gint status, gpointer data);

  std::string m_program;
  GPid m_pid = 0;
  guint m_watch = 0;
  bool m_stopped = false;
};

}  // namespace veltane::idle
