// The real program on two monitors (Xephyr joining two screens with Xinerama, inside a private Xvfb): both
// covered, the taper whole on the first, on top of windows shown later, ended by input from anywhere.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/saver_process.h"
#include "testing/wait_until.h"
#include "testing/xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "testing/x_screen.h"

namespace veltane::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = 10s;
// The first head is the primary one; the second stands to its right, shorter.
constexpr Region kPrimaryHead{0, 0, 800, 600};
constexpr Region kSecondHead{800, 0, 640, 480};
// Stage 0 centred on an 800 x 600 monitor, the flame raised onto its wick.
constexpr Region kStageImage{310, 213, 179, 174};
constexpr Region kStageFlame{364, 125, 70, 100};
constexpr unsigned long kWhite = 0xFFFFFF;

bool IsWhite(std::uint32_t pixel) { return pixel == kWhite; }

class MultiheadE2eTest : public ::testing::Test {
 protected:
  MultiheadE2eTest()
      : m_host(XvfbServer::Options{1600, 700, 24, {}, {}}),
        m_server(XvfbServer::Options{0, 0, 24, {"-screen", "800x600", "-screen", "640x480", "+xinerama"},
                                     m_host.DisplayName()}) {}

  void SetUp() override {
    ASSERT_TRUE(m_host.Running()) << m_host.Error();
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
    std::error_code ignored;
    std::filesystem::remove_all(m_configHome, ignored);
  }

  SaverProcess& Start() {
    m_saver = std::make_unique<SaverProcess>(std::vector<std::string>{"s"}, m_server.DisplayName(),
                                             m_configHome);
    m_started = Clock::now();
    EXPECT_TRUE(m_saver->Started());
    return *m_saver;
  }

  static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience) {
    return WaitUntil(condition, patience, 2ms);
  }

  // A white window of another client over the whole screen, shown above everything there is.
  Window ShowWhiteWindow(bool overrideRedirect) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = kWhite;
    attributes.override_redirect = overrideRedirect ? True : False;
    const Window window = XCreateWindow(m_display, m_root, 0, 0, 1440, 600, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    XMapRaised(m_display, window);
    XSync(m_display, False);
    return window;
  }

  int White(const Region& region) { return CountPixels(m_display, m_root, region, IsWhite); }

  // The taper and its flame on the primary head, and nothing of any other window on either head.
  bool Covered() {
    return White(kPrimaryHead) == 0 && White(kSecondHead) == 0 &&
           CountPixels(m_display, m_root, {kStageImage.x, kStageImage.y + 140, kStageImage.width, 30}, IsWarm) > 500 &&
           CountPixels(m_display, m_root, kStageFlame, IsFlaming) > 20;
  }

  XvfbServer m_host;
  XvfbServer m_server;
  Display* m_display = nullptr;
  Window m_root = None;
  std::string m_configHome;
  std::unique_ptr<SaverProcess> m_saver;
  Clock::time_point m_started;
};

// The nineteenth field of /proc/<pid>/stat, after the command's name in parentheses.
int Niceness(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 19; ++i) fields >> field;
  return std::stoi(field);
}

TEST_F(MultiheadE2eTest, BothHeadsAreBlackAroundTheTaperOnThePrimaryOneAtNiceTen) {
  ShowWhiteWindow(false);
  Start();

  ASSERT_TRUE(WaitFor([this] { return Covered(); }));

  EXPECT_EQ(CountPixels(m_display, m_root, kSecondHead, IsLit), 0);
  const Region aroundTheTaper[] = {{0, 0, 300, 600}, {500, 0, 300, 600}, {300, 0, 200, 120}, {300, 400, 200, 200}};
  for (const Region& region : aroundTheTaper) EXPECT_EQ(CountPixels(m_display, m_root, region, IsLit), 0);
  // The busy frame loop gives way to the user's own work.
  EXPECT_GE(Niceness(m_saver->Pid()), 10);
}

// With the pointer over the second head, and while another client holds the keyboard for two seconds
// after the start where a case says so.
TEST_F(MultiheadE2eTest, InputOverTheSecondHeadEndsTheSaverWithinASecond) {
  struct Input {
    const char* name;
    bool grabbed;
    std::function<void()> act;
  };
  const std::vector<Input> inputs{
      {"key", false, [this] { TapKey(m_display, XK_space); }},
      {"button", false, [this] { ClickButton(m_display, 1); }},
      {"one pixel of motion", false, [this] { WarpPointer(m_display, 1101, 240); }},
      {"one pixel of motion while another client holds the keyboard", true,
       [this] { WarpPointer(m_display, 1101, 240); }},
      {"key once the other client lets the keyboard go", true, [this] {
         std::this_thread::sleep_until(m_started + 2s);
         XUngrabKeyboard(m_display, CurrentTime);
         TapKey(m_display, XK_a);
       }},
  };
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    WarpPointer(m_display, 1100, 240);
    if (input.grabbed) {
      ASSERT_EQ(XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    }
    SaverProcess& saver = Start();
    ASSERT_TRUE(WaitFor([this] { return Covered(); }));

    input.act();

    EXPECT_EQ(saver.WaitForExit(1s), std::optional<int>(0));
    XUngrabKeyboard(m_display, CurrentTime);
  }
}

TEST_F(MultiheadE2eTest, WindowsShownLaterAreCoveredAgainWithin50Milliseconds) {
  for (const bool overrideRedirect : {false, true}) {
    SCOPED_TRACE(overrideRedirect ? "override-redirect window" : "normal window");
    SaverProcess& saver = Start();
    ASSERT_TRUE(WaitFor([this] { return Covered(); }));
    std::this_thread::sleep_until(m_started + 1s);

    const Window window = ShowWhiteWindow(overrideRedirect);
    const auto shown = Clock::now();
    // Small patches of both heads are read while the time runs, so that reading costs little of it.
    ASSERT_TRUE(WaitFor([this] { return White({20, 20, 8, 8}) == 0 && White({1000, 20, 8, 8}) == 0; }));
    const auto covered = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown);
    EXPECT_LT(covered, 50ms) << covered.count() << " ms";
    RecordProperty(overrideRedirect ? "overrideRedirectCoveredMs" : "normalCoveredMs", static_cast<int>(covered.count()));
    EXPECT_TRUE(Covered());
    EXPECT_TRUE(saver.Running());

    XDestroyWindow(m_display, window);
    saver.Kill(SIGTERM);
    saver.WaitForExit(kPatience);
  }
}

}  // namespace
}  // namespace veltane::test
