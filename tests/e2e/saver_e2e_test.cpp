// The real program on a private X server: what a user sees, and how each kind of input, another client and
// a preview host end it.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/saver_process.h"
#include "testing/wait_until.h"
#include "testing/xvfb_server.h"

// Xlib's macros (None, Bool, Status) clash with GoogleTest's names, so its headers come last.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include "testing/x_screen.h"

namespace veltane::test {
namespace {

using namespace std::chrono_literals;

// Generous for a loaded machine; the benchmark measures how fast these things really are.
constexpr auto kPatience = 10s;
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// Where a 1024 x 768 screen shows stage 0: the image centred, the flame raised onto its wick.
constexpr Region kStageImage{422, 297, 179, 174};
constexpr Region kStageFlame{476, 209, 70, 100};
// In a 320 x 240 preview: the flame's columns above the top edge of the stage image, which is at 70, 33.
constexpr Region kPreviewAboveTaper{124, 0, 70, 33};

class SaverE2eTest : public ::testing::Test {
 protected:
  SaverE2eTest() : m_server(ScreenOptions()) {}

  static XvfbServer::Options ScreenOptions() {
    XvfbServer::Options options;
    options.width = kScreenWidth;
    options.height = kScreenHeight;
    return options;
  }

  void SetUp() override {
    ASSERT_TRUE(m_server.Running()) << m_server.Error();
    m_display = XOpenDisplay(m_server.DisplayName().c_str());
    ASSERT_NE(m_display, nullptr);
    m_root = DefaultRootWindow(m_display);
    char pattern[] = "/tmp/veltane-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_configHome = pattern;
  }

  void TearDown() override {
    m_saver.reset();
    if (m_display != nullptr) XCloseDisplay(m_display);
    std::filesystem::remove_all(m_configHome);
  }

  SaverProcess& Start(const std::vector<std::string>& arguments, const std::string& display = {}) {
    m_saver = std::make_unique<SaverProcess>(arguments,
                                             display.empty() ? m_server.DisplayName() : display, m_configHome);
    EXPECT_TRUE(m_saver->Started());
    return *m_saver;
  }

  static bool WaitFor(const std::function<bool()>& condition) { return WaitUntil(condition, kPatience); }

  std::vector<Window> Children(Window parent) {
    Window rootReturn = None;
    Window parentReturn = None;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(m_display, parent, &rootReturn, &parentReturn, &children, &count) != 0) {
      result.assign(children, children + count);
    }
    if (children != nullptr) XFree(children);
    return result;
  }

  // The viewable full-screen window of another client, or None.
  Window SaverWindow() {
    for (const Window window : Children(m_root)) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(m_display, window, &attributes) == 0) continue;
      if (attributes.map_state == IsViewable && attributes.override_redirect && attributes.width == kScreenWidth &&
          attributes.height == kScreenHeight) {
        return window;
      }
    }
    return None;
  }

  int Lit(Window window, const Region& region) { return CountPixels(m_display, window, region, IsLit); }
  int Warm(Window window, const Region& region) { return CountPixels(m_display, window, region, IsWarm); }
  int Flaming(Window window, const Region& region) { return CountPixels(m_display, window, region, IsFlaming); }

  // The full-screen saver up and drawn: the taper, the flame on its wick, black around them.
  bool FullScreenReady() {
    return SaverWindow() != None && Warm(m_root, {kStageImage.x, kStageImage.y + 140, kStageImage.width, 30}) > 500 &&
           Flaming(m_root, kStageFlame) > 20;
  }

  void PointerTo(int x, int y) { MovePointer(m_display, x, y); }
  void PressKey(KeySym keysym) { TapKey(m_display, keysym); }
  void PressButton(unsigned button) { ClickButton(m_display, button); }

  Window MakeHost(int width, int height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x000080;
    attributes.override_redirect = True;
    const Window host = XCreateWindow(m_display, m_root, 20, 20, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(m_display, host);
    XSync(m_display, False);
    return host;
  }

  XvfbServer m_server;
  Display* m_display = nullptr;
  Window m_root = None;
  std::string m_configHome;
  std::unique_ptr<SaverProcess> m_saver;
};

TEST_F(SaverE2eTest, FullScreenShowsTheTaperAndItsFlameOnBlackWithoutAPointer) {
  PointerTo(512, 384);
  Start({"s"});

  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  for (const Region corner : {Region{0, 0, 200, 150}, Region{824, 618, 200, 150}, Region{0, 618, 200, 150}}) {
    EXPECT_EQ(Lit(m_root, corner), 0);
  }
  XFixesCursorImage* cursor = XFixesGetCursorImage(m_display);
  ASSERT_NE(cursor, nullptr);
  int visible = 0;
  for (int i = 0; i < cursor->width * cursor->height; ++i) visible += (cursor->pixels[i] >> 24) != 0 ? 1 : 0;
  XFree(cursor);
  EXPECT_EQ(visible, 0) << "the pointer shows";
  EXPECT_TRUE(m_saver->Running());
}

TEST_F(SaverE2eTest, EachSignOfTheUserEndsTheSaverWithCodeZero) {
  const std::vector<std::pair<const char*, std::function<void()>>> inputs{
      {"key", [this] { PressKey(XK_a); }},
      {"shift alone", [this] { PressKey(XK_Shift_L); }},
      {"left button", [this] { PressButton(1); }},
      {"right button", [this] { PressButton(3); }},
      {"one pixel of motion", [this] { PointerTo(513, 384); }},
  };
  for (const auto& [name, act] : inputs) {
    SCOPED_TRACE(name);
    PointerTo(512, 384);
    SaverProcess& saver = Start({"s"});
    ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

    act();

    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
    EXPECT_TRUE(WaitFor([this] { return SaverWindow() == None; }));
  }
}

TEST_F(SaverE2eTest, MotionToWhereThePointerAlreadyIsDoesNotEndTheSaver) {
  PointerTo(512, 384);
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  PointerTo(512, 384);
  PressButton(4);
  PressButton(5);
  EXPECT_FALSE(saver.WaitForExit(500ms).has_value());
  EXPECT_TRUE(saver.Running());

  PointerTo(512, 385);
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

TEST_F(SaverE2eTest, AnotherClientTakingTheFocusEndsTheSaver) {
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  const Window other = MakeHost(50, 50);
  XSetInputFocus(m_display, other, RevertToParent, CurrentTime);
  XSync(m_display, False);

  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

TEST_F(SaverE2eTest, TerminationEndsTheSaverAtOnceAndGivesTheKeyboardBack) {
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  saver.Kill(SIGTERM);

  EXPECT_FALSE(saver.WaitForExit(kPatience).has_value());
  EXPECT_EQ(saver.Signal(), SIGTERM);
  EXPECT_EQ(XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  XUngrabKeyboard(m_display, CurrentTime);
}

TEST_F(SaverE2eTest, PreviewDrawsInsideItsHostAndEndsWhenTheHostIsDestroyed) {
  const Window host = MakeHost(320, 240);
  SaverProcess& saver = Start({"p", std::to_string(host)});

  Window preview = None;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<Window> children = Children(host);
    preview = children.empty() ? None : children.front();
    // The stage image at 70, 33 and the flame on its wick, its lower edge 12 rows below the image's top edge:
    // above that edge only the flame can light anything, and a burning one lights more than a fifth of it.
    return preview != None && Lit(preview, kPreviewAboveTaper) > 500 && Warm(preview, {70, 33 + 140, 179, 30}) > 300;
  }));
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(m_display, preview, &attributes), 0);
  EXPECT_EQ(attributes.width, 320);
  EXPECT_EQ(attributes.height, 240);
  EXPECT_EQ(Lit(preview, {0, 0, 60, 30}), 0);

  XDestroyWindow(m_display, host);
  XSync(m_display, False);

  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

// Speed control with the longest delay there is: a frame takes five seconds, and still the preview ends at
// once when its host goes, well before the delay it was in could have run out.
TEST_F(SaverE2eTest, PreviewWithTheLongestDelayEndsAtOnceWhenItsHostIsDestroyed) {
  const std::filesystem::path settings = std::filesystem::path(m_configHome) / "Quillon Screen Savers";
  std::filesystem::create_directories(settings);
  std::ofstream(settings / "veltane.conf") << "[veltane]\nDelayOn=1\nDelayTime=5000\n";
  const Window host = MakeHost(320, 240);
  SaverProcess& saver = Start({"p", std::to_string(host)});
  ASSERT_TRUE(WaitFor([&] { return !Children(host).empty(); }));
  // By now the first frame is in its delay.
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(saver.Running());

  XDestroyWindow(m_display, host);
  XSync(m_display, False);

  EXPECT_EQ(saver.WaitForExit(2s), std::optional<int>(0));
}

TEST_F(SaverE2eTest, ArgumentsThatNameNothingEndAtOnceWithoutAWindow) {
  const std::size_t windowsBefore = Children(m_root).size();
  const std::vector<std::vector<std::string>> argumentLists{
      {"/x"}, {"--s"}, {"-"}, {""}, {"/s2"}, {"p", "12345"}, {"p", "0x7ffffff"}, {"p"},
  };
  for (const auto& arguments : argumentLists) {
    SCOPED_TRACE(arguments.front() + (arguments.size() > 1 ? " " + arguments[1] : ""));
    SaverProcess& saver = Start(arguments);
    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
    EXPECT_EQ(Children(m_root).size(), windowsBefore);
  }
}

TEST_F(SaverE2eTest, WindowModeWithoutADisplaySaysSoAndEndsWithCodeOne) {
  SaverProcess& saver = Start({"s"}, "unix:4071");
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(1));
  const std::string error = saver.ErrorOutput();
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
}

}  // namespace
}  // namespace veltane::test
