#include "tests/e2e/x11_e2e_fixture.h"

#include <algorithm>

#include "testing/wait_until.h"

namespace veltane::test {
namespace {

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// The server that Xephyr shows its two monitors in, side by side; none for one monitor.
std::unique_ptr<XvfbServer> OuterServer(const Screens& screens) {
  if (screens.secondWidth == 0) return nullptr;
  return std::make_unique<XvfbServer>(
      XvfbServer::Options{.width = screens.width + screens.secondWidth,
                          .height = std::max(screens.height, screens.secondHeight)});
}

XvfbServer::Options ServerOptions(const Screens& screens, const XvfbServer* outer) {
  if (outer == nullptr && screens.dpi > 0) {
    return {.width = screens.width,
            .height = screens.height,
            .extraArguments = {"-dpi", std::to_string(screens.dpi)}};
  }
  if (outer == nullptr) return {.width = screens.width, .height = screens.height};
  return {.extraArguments = {"-screen", Size(screens.width, screens.height), "-screen",
                             Size(screens.secondWidth, screens.secondHeight), "+xinerama"},
          .nestedIn = outer->DisplayName()};
}

}  // namespace

X11E2eTest::X11E2eTest(const Screens& screens)
    : m_outer(OuterServer(screens)), m_server(ServerOptions(screens, m_outer.get())) {}

void X11E2eTest::SetUp() {
  if (m_outer != nullptr) {
    ASSERT_TRUE(m_outer->Running()) << m_outer->Error();
  }
  ASSERT_TRUE(m_server.Running()) << m_server.Error();
  m_display = XOpenDisplay(m_server.DisplayName().c_str());
  ASSERT_NE(m_display, nullptr);
  m_root = DefaultRootWindow(m_display);
  CatchXErrors([](const std::string& error) { ADD_FAILURE() << error; });
}

void X11E2eTest::TearDown() {
  m_program.reset();
  if (m_display != nullptr) XCloseDisplay(m_display);
}

SaverProcess& X11E2eTest::Start(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& environment, const std::string& display) {
  m_program.reset();
  m_program = std::make_unique<SaverProcess>(arguments, display.empty() ? m_server.DisplayName() : display,
                                             m_configHome.String(), environment);
  m_started = Clock::now();
  EXPECT_TRUE(m_program->Started());
  return *m_program;
}

bool X11E2eTest::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
  return WaitUntil(condition, patience, std::chrono::milliseconds(2));
}

settings::SettingsStore X11E2eTest::Settings() const {
  settings::SettingsStore store("veltane", m_configHome.String());
  store.SetRegistryKey(settings::kRegistryKey);
  return store;
}

Window X11E2eTest::ShowWindow(const Region& area, unsigned long background, bool overrideRedirect) {
  XSetWindowAttributes attributes{};
  attributes.background_pixel = background;
  attributes.override_redirect = overrideRedirect ? True : False;
  const Window window = XCreateWindow(m_display, m_root, area.x, area.y, static_cast<unsigned>(area.width),
                                      static_cast<unsigned>(area.height), 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
  XMapRaised(m_display, window);
  XSync(m_display, False);
  return window;
}

}  // namespace veltane::test
