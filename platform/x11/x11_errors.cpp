#include "platform/x11/x11_errors.h"

#include <unistd.h>

namespace veltane::platform::x11 {

namespace {

// The innermost trap; the backend runs on one thread, so one pointer is enough.
ErrorTrap* g_trap = nullptr;

// Xlib may be in any state here, so the line that says why the saver went is written directly.
int OnConnectionLost(Display*) {
  constexpr char kMessage[] = "veltane: the X11 connection broke\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  _exit(1);
}

}  // namespace

int OnProtocolError(Display* display, XErrorEvent*) {
  if (g_trap != nullptr && g_trap->m_display == display) ++g_trap->m_errors;
  return 0;
}

void InstallErrorHandlers() {
  static const bool installed = [] {
    XSetErrorHandler(OnProtocolError);
    XSetIOErrorHandler(OnConnectionLost);
    return true;
  }();
  (void)installed;
}

ErrorTrap::ErrorTrap(Display* display) : m_display(display), m_outer(g_trap) {
  // Errors of earlier requests belong to whoever made them, not to this trap.
  XSync(m_display, False);
  g_trap = this;
}

ErrorTrap::~ErrorTrap() {
  XSync(m_display, False);
  g_trap = m_outer;
}

bool ErrorTrap::Failed() {
  XSync(m_display, False);
  return m_errors != 0;
}

}  // namespace veltane::platform::x11
