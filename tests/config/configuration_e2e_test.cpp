// The real program in the configuration mode on a private X server, played by a user at the keyboard:
// what the dialog stores on OK, on a refused burn time and on Escape, what it says when it cannot store them,
// and how it ends without a display.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/x11_e2e_fixture.h"

#include <X11/keysym.h>

namespace veltane::test {
namespace {

constexpr int kMissing = -12345;

// The program's environment holds no QT_QPA_PLATFORM unless a test gives one, so the dialog is a real one.
class ConfigurationE2eTest : public X11E2eTest {
 protected:
  // The viewable top-level window with this title, or None.
  Window FindWindow(const std::string& title) {
    for (const Window window : Children(m_display, m_root)) {
      const std::optional<XWindowAttributes> attributes = Attributes(m_display, window);
      if (attributes && attributes->map_state == IsViewable && WindowName(m_display, window) == title) {
        return window;
      }
    }
    return None;
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

  void Type(const std::string& digits) {
    for (const char digit : digits) TapKey(m_display, XK_0 + static_cast<KeySym>(digit - '0'));
  }

  // From the OK button, which has the focus at first, to the burn time with all its text selected.
  void GoToBurnTime() {
    for (int i = 0; i < 5; ++i) TapKey(m_display, XK_Tab);
    TapKey(m_display, XK_a, XK_Control_L);
  }

  std::int32_t Stored(const char* entry) {
    settings::SettingsStore store = Settings();
    return store.GetProfileInt(store.ProfileName(), entry, kMissing);
  }
};

TEST_F(ConfigurationE2eTest, OkStoresTheTypedBurnTimeWithTheOtherTwoValues) {
  SaverProcess& program = Start({"c"});
  ASSERT_NE(Focus("Configure The Veltane"), None);
  GoToBurnTime();
  Type("45");
  TapKey(m_display, XK_Return);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("DelayOn"), 0);
  EXPECT_EQ(Stored("DelayTime"), 10);
  EXPECT_EQ(Stored("BurnTime"), 45);
}

TEST_F(ConfigurationE2eTest, ARefusedBurnTimeIsSelectedForTheNextTry) {
  SaverProcess& program = Start({"c"});
  const Window dialog = Focus("Configure The Veltane");
  ASSERT_NE(dialog, None);
  GoToBurnTime();
  TapKey(m_display, XK_minus);
  Type("5");
  TapKey(m_display, XK_Return);
  ASSERT_NE(Focus("veltane"), None) << "no message box";
  TapKey(m_display, XK_Return);
  // The dialog takes the keyboard back itself once the message has gone, and selects the field then.
  ASSERT_TRUE(WaitFor([&] { return KeyboardFocus() == dialog; }));
  Type("7");
  TapKey(m_display, XK_Return);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("BurnTime"), 7);
}

TEST_F(ConfigurationE2eTest, EscapeEndsTheProgramWithoutStoringAnything) {
  SaverProcess& program = Start({"c"});
  ASSERT_NE(Focus("Configure The Veltane"), None);
  GoToBurnTime();
  Type("99");
  TapKey(m_display, XK_Escape);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(Stored("DelayOn"), kMissing);
  EXPECT_EQ(Stored("DelayTime"), kMissing);
  EXPECT_EQ(Stored("BurnTime"), kMissing);
}

TEST_F(ConfigurationE2eTest, OkThatCannotStoreTheValuesSaysWhyAndEndsWithCodeOne) {
  const std::filesystem::path file = Settings().FilePath();
  std::filesystem::create_directories(file);
  SaverProcess& program = Start({"c"});
  const Window dialog = Focus("Configure The Veltane");
  ASSERT_NE(dialog, None);
  TapKey(m_display, XK_Return);
  ASSERT_NE(Focus("veltane"), None) << "no message box";
  EXPECT_EQ(FindWindow("Configure The Veltane"), dialog) << "the dialog went before the message came";
  TapKey(m_display, XK_Return);
  EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(1));
  EXPECT_EQ(program.ErrorOutput(), std::string("Veltane could not save its settings to ~/") +
                                       settings::kRegistryKey + "/veltane.conf: Is a directory.\n");
  EXPECT_TRUE(std::filesystem::is_empty(file));
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
    SaverProcess& program = Start({"c"}, c.environment, c.display);
    const std::string name = c.environment.empty() ? c.display : c.environment[0];
    EXPECT_EQ(program.WaitForExit(kPatience), std::optional<int>(1)) << name;
    EXPECT_EQ(program.ErrorOutput(),
              "veltane: cannot show the configuration dialog: no window can be shown here\n")
        << name;
    EXPECT_EQ(Stored("BurnTime"), kMissing) << name;
  }
}

}  // namespace
}  // namespace veltane::test
