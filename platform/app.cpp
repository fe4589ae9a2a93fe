#include "platform/app.h"

#include <cassert>

#include "platform/platform.h"

namespace veltane::platform {
namespace {

WinApp*& CurrentApp() {
  static WinApp* app = nullptr;
  return app;
}

}  // namespace

WinApp::WinApp() {
  assert(CurrentApp() == nullptr && "there is one application object");
  CurrentApp() = this;
}

WinApp::~WinApp() {
  if (CurrentApp() == this) CurrentApp() = nullptr;
}

WinApp* WinApp::Current() { return CurrentApp(); }

// ExitInstance runs at the end of a message loop too, for its clean-up; the process's exit code is the
// quit message's.
int WinApp::Run() {
  if (!InitInstance()) {
    const int code = ExitInstance();
    return code != 0 ? code : m_exitCode;
  }
  while (PumpMessage()) {
  }
  ExitInstance();
  return m_exitCode;
}

bool WinApp::PumpMessage() {
  Msg msg;
  if (!GetMessage(&msg)) {
    m_exitCode = static_cast<int>(msg.wParam);
    return false;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
  return true;
}

}  // namespace veltane::platform
