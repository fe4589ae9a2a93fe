// The real program on two monitors (Xephyr joining two screens with Xinerama, inside a private Xvfb): both
// covered, the taper whole on the first, on top of windows shown later, ended by input from anywhere.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/x11_e2e_fixture.h"

#include <X11/keysym.h>

namespace veltane::test {
namespace {

using namespace std::chrono_literals;

// The first head is the primary one; the second stands to its right, shorter.
constexpr Region kPrimaryHead{0, 0, 800, 600};
constexpr Region kSecondHead{800, 0, 640, 480};
// Stage 0 centred on an 800 x 600 monitor, the flame raised onto its wick.
constexpr Region kStageImage{310, 213, 179, 174};
constexpr Region kStageFlame{364, 125, 70, 100};
constexpr unsigned long kWhite = 0xFFFFFF;

bool IsWhite(std::uint32_t pixel) { return pixel == kWhite; }

class MultiheadE2eTest : public X11E2eTest {
 protected:
  MultiheadE2eTest() : X11E2eTest({800, 600, 640, 480}) {}

  // A white window of another client over the whole screen, shown above everything there is.
  Window ShowWhiteWindow(bool overrideRedirect) {
    return ShowWindow({0, 0, 1440, 600}, kWhite, overrideRedirect);
  }

  int White(const Region& region) { return Count(m_root, region, IsWhite); }

  // The taper and its flame on the primary head, and nothing of any other window on either head.
  bool Covered() {
    return White(kPrimaryHead) == 0 && White(kSecondHead) == 0 &&
           Count(m_root, {kStageImage.x, kStageImage.y + 140, kStageImage.width, 30}, IsWarm) > 500 &&
           Count(m_root, kStageFlame, IsFlaming) > 20;
  }
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
  Start({"s"});

  ASSERT_TRUE(WaitFor([this] { return Covered(); }));

  EXPECT_EQ(Count(m_root, kSecondHead, IsLit), 0);
  const Region aroundTheTaper[] = {
      {0, 0, 300, 600}, {500, 0, 300, 600}, {300, 0, 200, 120}, {300, 400, 200, 200}};
  for (const Region& region : aroundTheTaper) EXPECT_EQ(Count(m_root, region, IsLit), 0);
  // The busy frame loop gives way to the user's own work.
  EXPECT_GE(Niceness(m_program->Pid()), 10);
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
      {"key once the other client lets the keyboard go", true,
       [this] {
         std::this_thread::sleep_until(m_started + 2s);
         XUngrabKeyboard(m_display, CurrentTime);
         TapKey(m_display, XK_a);
       }},
  };
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    WarpPointer(m_display, 1100, 240);
    if (input.grabbed) {
      ASSERT_EQ(XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime),
                GrabSuccess);
    }
    SaverProcess& saver = Start({"s"});
    ASSERT_TRUE(WaitFor([this] { return Covered(); }));

    input.act();

    EXPECT_EQ(saver.WaitForExit(1s), std::optional<int>(0));
    XUngrabKeyboard(m_display, CurrentTime);
  }
}

// A window that another client shows while the saver runs is covered again. How soon is a matter of load
// (the saver runs at a low priority, so that the user's own work comes first): the time is recorded, and
// held to no bound.
TEST_F(MultiheadE2eTest, WindowsShownLaterAreCoveredAgain) {
  for (const bool overrideRedirect : {false, true}) {
    SCOPED_TRACE(overrideRedirect ? "override-redirect window" : "normal window");
    SaverProcess& saver = Start({"s"});
    ASSERT_TRUE(WaitFor([this] { return Covered(); }));
    std::this_thread::sleep_until(m_started + 1s);

    const Window window = ShowWhiteWindow(overrideRedirect);
    const auto shown = Clock::now();
    // Small patches of both heads are read while the time runs, so that reading costs little of it.
    ASSERT_TRUE(WaitFor([this] { return White({20, 20, 8, 8}) == 0 && White({1000, 20, 8, 8}) == 0; }));
    const auto covered = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown);
    RecordProperty(overrideRedirect ? "overrideRedirectCoveredMs" : "normalCoveredMs",
                   static_cast<int>(covered.count()));
    EXPECT_TRUE(Covered());
    EXPECT_TRUE(saver.Running());

    XDestroyWindow(m_display, window);
    saver.Kill(SIGTERM);
    saver.WaitForExit(kPatience);
  }
}

}  // namespace
}  // namespace veltane::test
