#include "app/saver_app.h"

#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/configuration_module.h"
#include "app/usage.h"
#include "platform/platform.h"
#include "platform/priority.h"
#include "saver/flame_wnd.h"
#include "saver/saver_wnd.h"
#include "settings/settings_store.h"

namespace veltane::app {

using platform::HWND;

namespace {

constexpr const char* kHostWindowVariable = "XSCREENSAVER_WINDOW";

}  // namespace

SaverApp::SaverApp(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {}

bool SaverApp::InitInstance() {
  settings::ApplicationSettings().SetRegistryKey(settings::kRegistryKey);
  switch (SelectMode(m_arguments)) {
    case SaverMode::Preview: platform::LowerSchedulingPriority(); return StartPreview(false);
    case SaverMode::RootWindow: platform::LowerSchedulingPriority(); return StartPreview(true);
    case SaverMode::FullScreen: platform::LowerSchedulingPriority(); return StartFullScreen();
    case SaverMode::Configuration:
      SetExitCode(RunConfiguration(settings::ApplicationSettings(), ConfigurationModulePath()));
      return false;
    case SaverMode::Help: PrintUsage(stdout, settings::ApplicationSettings().FilePath()); return false;
    case SaverMode::Version: PrintVersion(stdout); return false;
    case SaverMode::None:
      ReportUnknownArgument(stderr, m_arguments[1]);
      SetExitCode(kUsageExitCode);
      return false;
  }
  return false;
}

// A host that names no window, or one that is gone, gets no saver: the process ends at once and shows
// nothing, rather than running without a window. The root-window switch takes the screen's root window
// where no window is named; nothing destroys that one, so the saver runs there until it is stopped.
bool SaverApp::StartPreview(bool rootWindowByDefault) {
  HWND host = PreviewHostWindow(PreviewHandleArgument(m_arguments), std::getenv(kHostWindowVariable));
  if (host == 0 && rootWindowByDefault) host = platform::GetDesktopWindow();
  platform::Rect client;
  if (host == 0 || !platform::GetClientRect(host, &client)) return false;

  auto* window = new saver::FlameWnd(true);
  if (!window->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE, client, host, 0, nullptr)) {
    return false;
  }
  m_pMainWnd = window;
  return true;
}

bool SaverApp::StartFullScreen() {
  auto* window = new saver::SaverWnd;
  if (!window->CreateFullScreen()) return false;
  m_pMainWnd = window;
  return true;
}

}  // namespace veltane::app
