#pragma once
// The X11 backend's error handling. Errors arrive asynchronously and are mostly expected (a window that has
// gone), so they are ignored; a caller that needs to know whether a request failed traps errors around it.

#include <X11/Xlib.h>

namespace veltane::platform::x11 {

// Installs the handlers once per process: protocol errors are ignored, and a lost connection ends the
// process at once with exit code 1 and a line on standard error, since a saver without its display has
// nothing left to do.
void InstallErrorHandlers();

// Collects the protocol errors of the requests made while it lives. Failed() syncs with the server first,
// so that every error of those requests has arrived.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  bool Failed();

 private:
  Display* m_display;
  ErrorTrap* m_outer;
  int m_errors = 0;

  friend int OnProtocolError(Display*, XErrorEvent*);
};

int OnProtocolError(Display* display, XErrorEvent* event);

}  // namespace veltane::platform::x11
