#pragma once
// The application object: the main window and the message loop.

#include "platform/win_types.h"

namespace veltane::platform {

class Wnd;

class WinApp {
 public:
  WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;
  virtual ~WinApp();

  // The one application object, or nullptr.
  static WinApp* Current();

  // True enters the message loop; false ends the process through ExitInstance at once.
  virtual bool InitInstance() { return false; }
  virtual int ExitInstance() { return 0; }

  // InitInstance, then the message loop until the quit message; returns the process's exit code.
  int Run();
  // Retrieves, translates and dispatches exactly one message. False when it was the quit message.
  // Virtual so that a driver (veltane-render) can observe the end of every message step.
  virtual bool PumpMessage();

  Wnd* m_pMainWnd = nullptr;

 protected:
  // The exit code of a process whose start-up step ends it, unless ExitInstance gives one of its own.
  void SetExitCode(int code) { m_exitCode = code; }

 private:
  int m_exitCode = 0;
};

}  // namespace veltane::platform
