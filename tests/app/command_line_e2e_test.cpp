// The real program's command lines on a private X server: the answers it gives a user at a terminal, and
// the root-window switch that XScreenSaver's and MATE's hosts pass.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/e2e/x11_e2e_fixture.h"

namespace veltane::test {
namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

class CommandLineE2eTest : public X11E2eTest {
 protected:
  CommandLineE2eTest() : X11E2eTest({kScreenWidth, kScreenHeight}) {}

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The one viewable child of window, of the given size, that shows lit pixels; None until there is one.
  Window DrawnChild(Window window, int width, int height) {
    for (const Window child : Children(m_display, window)) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(m_display, child, &attributes) == 0 || attributes.map_state != IsViewable)
        continue;
      if (attributes.width == width && attributes.height == height &&
          Count(child, {0, 0, width, height}, IsWarm) > 300) {
        return child;
      }
    }
    return None;
  }
};

TEST_F(CommandLineE2eTest, TerminalAnswersGoToTheirStreamWithTheirCodesAndOpenNoWindow) {
  const std::string settingsFile = std::string(settings::kRegistryKey) + "/veltane.conf";
  struct Case {
    std::vector<std::string> arguments;
    int code;
    std::vector<std::string> inOutput;  // every one of these in standard output; nothing there when empty
    bool wholeOutput;                   // the one text of inOutput is all of standard output
    const char* inError;                // in the one line of standard error; nothing there when nullptr
  };
  const Case cases[] = {
      {{"--help"},
       0,
       {"Usage: veltane", "--window-id", "-root", "$XSCREENSAVER_WINDOW", settingsFile},
       false,
       nullptr},
      {{"-h", "s"}, 0, {"Usage: veltane"}, false, nullptr},
      {{"--version"}, 0, {"veltane " VELTANE_VERSION "\n"}, true, nullptr},
      {{"x"}, 2, {}, false, "\"x\" names no mode; try 'veltane --help'"},
      {{"/c:1234"}, 2, {}, false, "\"/c:1234\""},
      {{"line\nbreak"}, 2, {}, false, "\"line?break\""},
  };
  const std::size_t windowsBefore = Children(m_display, m_root).size();
  const std::string output = (m_configHome / "output").string();
  for (const Case& c : cases) {
    SCOPED_TRACE("veltane " + c.arguments.front());
    std::remove(output.c_str());
    SaverProcess saver(c.arguments, m_server.DisplayName(), m_configHome.String(), {}, output);

    ASSERT_EQ(saver.WaitForExit(kPatience), std::optional<int>(c.code));

    const std::string said = ReadFile(output);
    for (const std::string& needed : c.inOutput) EXPECT_NE(said.find(needed), std::string::npos) << said;
    if (c.inOutput.empty()) {
      EXPECT_EQ(said, "");
    } else if (c.wholeOutput) {
      EXPECT_EQ(said, c.inOutput.front());
    }
    const std::string error = saver.ErrorOutput();
    if (c.inError == nullptr) {
      EXPECT_EQ(error, "");
    } else {
      EXPECT_EQ(error.rfind("veltane: ", 0), 0u) << error;
      EXPECT_NE(error.find(c.inError), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
    }
    EXPECT_EQ(Children(m_display, m_root).size(), windowsBefore);
  }
}

// As p with no window: the one that $XSCREENSAVER_WINDOW names, or without it the root window, which no host
// destroys, so that only SIGTERM ends the saver there.
TEST_F(CommandLineE2eTest, RootSwitchDrawsInTheHostsWindowOrOverTheWholeScreen) {
  for (const bool named : {true, false}) {
    for (const char* root : {"-root", "--root"}) {
      SCOPED_TRACE(std::string(root) + (named ? " with" : " without") + " $XSCREENSAVER_WINDOW");
      const Window host = named ? ShowWindow({40, 30, 320, 240}, 0x000080) : m_root;
      char variable[64];
      std::snprintf(variable, sizeof variable, "XSCREENSAVER_WINDOW=0x%lx", host);
      SaverProcess& saver =
          Start({root}, named ? std::vector<std::string>{variable} : std::vector<std::string>{});

      const int width = named ? 320 : kScreenWidth;
      const int height = named ? 240 : kScreenHeight;
      ASSERT_TRUE(WaitFor([&] { return DrawnChild(host, width, height) != None; }));
      ASSERT_TRUE(saver.Running());

      if (named) {
        XDestroyWindow(m_display, host);
        XSync(m_display, False);
        EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
      } else {
        saver.Kill(SIGTERM);
        EXPECT_FALSE(saver.WaitForExit(kPatience).has_value());
        EXPECT_EQ(saver.Signal(), SIGTERM);
        EXPECT_TRUE(WaitFor([&] { return DrawnChild(m_root, width, height) == None; }));
      }
    }
  }
}

}  // namespace
}  // namespace veltane::test
