// The real program in the configuration mode on a private X server, played by a user at the keyboard:
// what the dialog stores on OK, on a refused burn time and on Escape, and how it ends without a display.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_store.h"
#include "testing/saver_process.h"
#include "testing/wait_until.h"
#include "testing/xvfb_server.h"

// Xlib's macros clash with GoogleTest's names, so its headers come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace veltane::test {
namespace {

using namespace std::chrono_literals;

// Generous for a loaded machine; nothing here measures time.
constexpr auto kPatience = 20s;
constexpr int kMissing = -12345;

class ConfigurationE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Running()) << m_server.Error();
    m_display = XOpenDisplay(m_server.DisplayName().c_str());
    ASSERT_NE(m_display, nullptr);
    char pattern[] = "/tmp/veltane-config-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_configHome = pattern;
  }

  void TearDown() override {
    m_program.reset();
    if (m_display != nullptr) XCloseDisplay(m_display);
    std::filesystem::remove_all(m_configHome);
  }

  // The program's environment holds no QT_QPA_PLATFORM unless given here, so the dialog is a real one.
  SaverProcess& Start(const std::string& display, const std::vector<std::string>& environment = {}) {
    m_program = std::make_unique<SaverProcess>(std::vector<std::string>{"c"}, display, m_configHome,
                                               environment);
    EXPECT_TRUE(m_program->Started());
    return *m_program;
  }

  static bool WaitFor(const std::function<bool()>& condition) { return WaitUntil(condition, kPatience, 10ms); }

  // The viewable top-level window with this title, or None.
  Window FindWindow(const std::string& title) {
    Window rootReturn = None;
    Window parentReturn = None;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (XQueryTree(m_display, DefaultRootWindow(m_display), &rootReturn, &parentReturn, &children, &count) != 0) {
      for (unsigned i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        char* name = nullptr;
        if (XGetWindowAttributes(m_display, children[i], &attributes) != 0 && attributes.map_state == IsViewable &&
            XFetchName(m_display, children[i], &name) != 0 && name != nullptr) {
          found = title == name ? children[i] : None;
        }
        if (name != nullptr) XFree(name);
      }
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  // Waits for the window and gives it the keyboard, as a window manager would. The server delivers the
  // focus before any key that follows, so no pause is needed.
  Window Focus(const std::string& title) {
    Window window = None;
    if (!WaitFor([&] { return (window = FindWindow(title)) != None; })) return None;
    XSetInputFocus(m_display, window, RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    return window;
  }

  Window KeyboardFocus() {
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(m_display, &focus, &revertTo);
    return focus;
  }

  void Press(KeySym symbol, bool control = false) {
    const KeyCode controlCode = XKeysymToKeycode(m_display, XK_Control_L);
    if (control) XTestFakeKeyEvent(m_display, controlCode, True, CurrentTime);
    const KeyCode code = XKeysymToKeycode(m_display, symbol);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    if (control) XTestFakeKeyEvent(m_display, controlCode, False, CurrentTime);
    XSync(m_display, False);
  }

  void Type(const std::string& digits) {
    for (const char digit : digits) Press(XK_0 + static_cast<KeySym>(digit - '0'));
  }

  // From the OK button, which has the focus at first, to the burn time with all its text selected.
  void GoToBurnTime() {
    for (int i = 0; i < 5; ++i) Press(XK_Tab);
    Press(XK_a, true);
  }

  std::int32_t Stored(const char* entry) {
    settings::SettingsStore store("veltane", m_configHome);
    store.SetRegistryKey("Quillon Screen Savers");
    return store.GetProfileInt(store.ProfileName(), entry, kMissing);
  }

  XvfbServer m_server;
  Display* m_display = nullptr;
  std::string m_configHome;
  std::unique_ptr<SaverProcess> m_program;
};

TEST_F(ConfigurationE2eTest, OkStoresTheTypedBurnTimeWithTheOtherTwoValues) {
  SaverProcess& program = Start(m_server.DisplayName());
  ASSERT_NE(Focus("Configure The Veltane"), None);
  GoToBurnTime();
  Type("45");
  Press(XK_Return);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("DelayOn"), 0);
  EXPECT_EQ(Stored("DelayTime"), 10);
  EXPECT_EQ(Stored("BurnTime"), 45);
}

TEST_F(ConfigurationE2eTest, ARefusedBurnTimeIsSelectedForTheNextTry) {
  SaverProcess& program = Start(m_server.DisplayName());
  const Window dialog = Focus("Configure The Veltane");
  ASSERT_NE(dialog, None);
  GoToBurnTime();
  Press(XK_minus);
  Type("5");
  Press(XK_Return);
  ASSERT_NE(Focus("veltane"), None) << "no message box";
  Press(XK_Return);
  // The dialog takes the keyboard back itself once the message has gone, and selects the field then.
  ASSERT_TRUE(WaitFor([&] { return KeyboardFocus() == dialog; }));
  Type("7");
  Press(XK_Return);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("BurnTime"), 7);
}

TEST_F(ConfigurationE2eTest, EscapeEndsTheProgramWithoutStoringAnything) {
  SaverProcess& program = Start(m_server.DisplayName());
  ASSERT_NE(Focus("Configure The Veltane"), None);
  GoToBurnTime();
  Type("99");
  Press(XK_Escape);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("DelayOn"), kMissing);
  EXPECT_EQ(Stored("DelayTime"), kMissing);
  EXPECT_EQ(Stored("BurnTime"), kMissing);
}

// A dialog that nobody can see would wait for ever, so the program says why it shows none instead.
TEST_F(ConfigurationE2eTest, WhereNoWindowCanBeSeenTheProgramEndsWithALineAndStoresNothing) {
  struct Case {
    std::string display;
    std::vector<std::string> environment;
  };
  const Case cases[] = {
      {":999", {}},
      {"", {"QT_QPA_PLATFORM=offscreen"}},
      {"", {"QT_QPA_PLATFORM=minimal"}},
      {"", {"QT_QPA_PLATFORM=nosuchplatform"}},
  };
  for (const Case& c : cases) {
    SaverProcess& program = Start(c.display.empty() ? m_server.DisplayName() : c.display, c.environment);
    const std::string name = c.environment.empty() ? c.display : c.environment[0];
    EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(1)) << name;
    EXPECT_EQ(program.ErrorOutput(), "veltane: cannot show the configuration dialog: no window can be shown here\n")
        << name;
    EXPECT_EQ(Stored("BurnTime"), kMissing) << name;
  }
}

}  // namespace
}  // namespace veltane::test
