// The real program on a private X server: what a user sees, and how each kind of input, another client and
// a preview host end it.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/x11_e2e_fixture.h"

#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

namespace veltane::test {
namespace {

using namespace std::chrono_literals;

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// Where a 1024 x 768 screen shows stage 0: the image centred, the flame raised onto its wick.
constexpr Region kStageImage{422, 297, 179, 174};
constexpr Region kStageFlame{476, 209, 70, 100};
// In a 320 x 240 preview: the flame's columns above the top edge of the stage image, which is at 70, 33.
constexpr Region kPreviewAboveTaper{124, 0, 70, 33};

class SaverE2eTest : public X11E2eTest {
 protected:
  SaverE2eTest() : X11E2eTest({kScreenWidth, kScreenHeight}) {}

  // The viewable full-screen window of another client, or None.
  Window SaverWindow() {
    for (const Window window : Children(m_display, m_root)) {
      const std::optional<XWindowAttributes> attributes = Attributes(m_display, window);
      if (attributes && attributes->map_state == IsViewable && attributes->override_redirect &&
          attributes->width == kScreenWidth && attributes->height == kScreenHeight) {
        return window;
      }
    }
    return None;
  }

  // The full-screen saver up and drawn: the taper, the flame on its wick, black around them.
  bool FullScreenReady() {
    return SaverWindow() != None &&
           Count(m_root, {kStageImage.x, kStageImage.y + 140, kStageImage.width, 30}, IsWarm) > 500 &&
           Count(m_root, kStageFlame, IsFlaming) > 20;
  }

  Window MakeHost(int width, int height) { return ShowWindow({20, 20, width, height}, 0x000080); }
};

TEST_F(SaverE2eTest, FullScreenShowsTheTaperAndItsFlameOnBlackWithoutAPointer) {
  MovePointer(m_display, 512, 384);
  Start({"s"});

  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  for (const Region corner : {Region{0, 0, 200, 150}, Region{824, 618, 200, 150}, Region{0, 618, 200, 150}}) {
    EXPECT_EQ(Count(m_root, corner, IsLit), 0);
  }
  XFixesCursorImage* cursor = XFixesGetCursorImage(m_display);
  ASSERT_NE(cursor, nullptr);
  int visible = 0;
  for (int i = 0; i < cursor->width * cursor->height; ++i) visible += (cursor->pixels[i] >> 24) != 0 ? 1 : 0;
  XFree(cursor);
  EXPECT_EQ(visible, 0) << "the pointer shows";
  EXPECT_TRUE(m_program->Running());
}

TEST_F(SaverE2eTest, EachSignOfTheUserEndsTheSaverWithCodeZero) {
  const std::vector<std::pair<const char*, std::function<void()>>> inputs{
      {"key", [this] { TapKey(m_display, XK_a); }},
      {"shift alone", [this] { TapKey(m_display, XK_Shift_L); }},
      {"left button", [this] { ClickButton(m_display, 1); }},
      {"right button", [this] { ClickButton(m_display, 3); }},
      {"one pixel of motion", [this] { MovePointer(m_display, 513, 384); }},
  };
  for (const auto& [name, act] : inputs) {
    SCOPED_TRACE(name);
    MovePointer(m_display, 512, 384);
    SaverProcess& saver = Start({"s"});
    ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

    act();

    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
    EXPECT_TRUE(WaitFor([this] { return SaverWindow() == None; }));
  }
}

// Once its flame is still, the saver sleeps until the next thing that can change it; a key still ends it.
TEST_F(SaverE2eTest, ASaverWhoseFlameIsStillSleepsAndAKeyEndsIt) {
  MovePointer(m_display, 512, 384);
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));
  ASSERT_TRUE(WaitFor([&] { return saver.SleepsThroughout(100ms); }));

  TapKey(m_display, XK_a);

  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

TEST_F(SaverE2eTest, MotionToWhereThePointerAlreadyIsDoesNotEndTheSaver) {
  MovePointer(m_display, 512, 384);
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  MovePointer(m_display, 512, 384);
  ClickButton(m_display, 4);
  ClickButton(m_display, 5);
  EXPECT_FALSE(saver.WaitForExit(500ms).has_value());
  EXPECT_TRUE(saver.Running());

  MovePointer(m_display, 512, 385);
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

// The server moves the pointer into a screen that shrinks, and reports that as motion: no sign of the user.
// Where it puts the pointer is where the user's next motion is measured from.
TEST_F(SaverE2eTest, APointerMovedByAShrinkingScreenEndsNothingAndTheNextMotionEndsIt) {
  MovePointer(m_display, 900, 700);
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  ResizeScreen(m_display, 640, 480);

  EXPECT_FALSE(saver.WaitForExit(1s).has_value()) << "the pointer moved by the server ended the saver";
  MovePointer(m_display, 638, 479);
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

// Without a host's window the root-window switch covers the screen as a child of the root window, which
// nothing destroys: only SIGTERM ends it.
TEST_F(SaverE2eTest, RootSwitchWithoutAHostsWindowCoversTheScreenUntilTerminated) {
  SaverProcess& saver = Start({"--root"});

  ASSERT_TRUE(WaitFor([this] {
    return Count(m_root, {kStageImage.x, kStageImage.y + 140, kStageImage.width, 30}, IsWarm) > 500 &&
           Count(m_root, kStageFlame, IsFlaming) > 20;
  }));
  for (const Region corner : {Region{0, 0, 200, 150}, Region{824, 618, 200, 150}}) {
    EXPECT_EQ(Count(m_root, corner, IsLit), 0) << "the server's own pattern shows";
  }
  saver.Kill(SIGTERM);
  EXPECT_FALSE(saver.WaitForExit(kPatience).has_value());
  EXPECT_EQ(saver.Signal(), SIGTERM);
}

// The second ends at once and leaves the first as it was, its grabs and input included; the mark goes with
// the process that held it, even one killed outright.
TEST_F(SaverE2eTest, ASecondSaverEndsAtOnceAndLeavesTheFirstRunning) {
  MovePointer(m_display, 512, 384);
  SaverProcess& first = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));
  const Window shown = SaverWindow();
  SaverProcess second({"s"}, m_server.DisplayName(), m_configHome.String());
  EXPECT_EQ(second.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(SaverWindow(), shown);
  EXPECT_EQ(XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime),
            AlreadyGrabbed);
  MovePointer(m_display, 513, 384);
  EXPECT_EQ(first.WaitForExit(kPatience), std::optional<int>(0));

  Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));
  m_program->Kill(SIGKILL);
  ASSERT_TRUE(WaitFor([this] { return SaverWindow() == None; }));
  SaverProcess& next = Start({"s"});
  EXPECT_TRUE(WaitFor([this] { return FullScreenReady(); }));
  EXPECT_TRUE(next.Running());
}

// A client that keeps the keyboard and the pointer, as a lock screen does, keeps the saver from starting.
TEST_F(SaverE2eTest, ASaverStartedWhileALockScreenHoldsTheInputEndsAtOnce) {
  ASSERT_EQ(XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  ASSERT_EQ(XGrabPointer(m_display, m_root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
            GrabSuccess);
  XSync(m_display, False);
  SaverProcess& saver = Start({"s"});
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
  EXPECT_EQ(SaverWindow(), None);
  XUngrabPointer(m_display, CurrentTime);
  XUngrabKeyboard(m_display, CurrentTime);
}

TEST_F(SaverE2eTest, TerminationEndsTheSaverAtOnceAndGivesTheKeyboardBack) {
  SaverProcess& saver = Start({"s"});
  ASSERT_TRUE(WaitFor([this] { return FullScreenReady(); }));

  saver.Kill(SIGTERM);

  EXPECT_FALSE(saver.WaitForExit(kPatience).has_value());
  EXPECT_EQ(saver.Signal(), SIGTERM);
  // The server lets the grab go once it has seen the connection close, which may come after the process
  // has been reaped.
  EXPECT_TRUE(WaitFor([this] {
    return XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  }));
  XUngrabKeyboard(m_display, CurrentTime);
}

TEST_F(SaverE2eTest, PreviewDrawsInsideItsHostAndEndsWhenTheHostIsDestroyed) {
  const Window host = MakeHost(320, 240);
  SaverProcess& saver = Start({"p", std::to_string(host)});

  Window preview = None;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<Window> children = Children(m_display, host);
    preview = children.empty() ? None : children.front();
    // The stage image at 70, 33 and the flame on its wick, its lower edge 12 rows below the image's top edge:
    // above that edge only the flame can light anything, and a burning one lights more than a fifth of it.
    return preview != None && Count(preview, kPreviewAboveTaper, IsLit) > 500 &&
           Count(preview, {70, 33 + 140, 179, 30}, IsWarm) > 300;
  }));
  const std::optional<XWindowAttributes> attributes = Attributes(m_display, preview);
  ASSERT_TRUE(attributes.has_value());
  EXPECT_EQ(attributes->width, 320);
  EXPECT_EQ(attributes->height, 240);
  EXPECT_EQ(Count(preview, {0, 0, 60, 30}, IsLit), 0);

  XDestroyWindow(m_display, host);
  XSync(m_display, False);

  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

// Another client's window over the preview, then gone: the whole picture comes back within a refresh, the
// taper that is drawn once a stage included, and none of the other window's pixels stay.
TEST_F(SaverE2eTest, PreviewUncoveredShowsItsWholePictureAgain) {
  const Window host = MakeHost(320, 240);
  Start({"p", std::to_string(host)});
  // The host lies at 20, 20 on the screen, and the stage image at 70, 33 in it.
  constexpr Region kPreview{20, 20, 320, 240};
  constexpr Region kTaperFoot{20 + 70, 20 + 33 + 140, 179, 30};
  ASSERT_TRUE(WaitFor([&] { return Count(m_root, kTaperFoot, IsWarm) > 300; }));
  const auto isCover = [](std::uint32_t pixel) { return pixel == 0x00FF00; };

  const Window cover = ShowWindow({40, 30, 280, 220}, 0x00FF00);
  ASSERT_TRUE(
      WaitFor([&] { return Count(m_root, kTaperFoot, isCover) == kTaperFoot.width * kTaperFoot.height; }));
  XUnmapWindow(m_display, cover);
  XSync(m_display, False);

  EXPECT_TRUE(WaitFor(
      [&] { return Count(m_root, kPreview, isCover) == 0 && Count(m_root, kTaperFoot, IsWarm) > 300; }));
  EXPECT_EQ(Count(m_root, kPreview, isCover), 0);
}

// A host that grows or shrinks its window, as a settings window does its preview pane, takes the preview
// with it: the picture is laid out again for the new size, the taper centred where it fits, and none of the
// host's own background shows, down to a single pixel.
TEST_F(SaverE2eTest, PreviewFollowsItsHostToAnySize) {
  const Window host = MakeHost(320, 240);
  SaverProcess& saver = Start({"p", std::to_string(host)});
  ASSERT_TRUE(WaitFor([&] { return Count(m_root, {20 + 70, 20 + 33 + 140, 179, 30}, IsWarm) > 300; }));
  const auto isHost = [](std::uint32_t pixel) { return pixel == 0x000080; };
  struct Step {
    int width;
    int height;
    bool taper;
  };
  for (const Step step : {Step{800, 600, true}, Step{100, 80, false}, Step{1, 1, false}}) {
    SCOPED_TRACE(std::to_string(step.width) + " x " + std::to_string(step.height));
    XResizeWindow(m_display, host, static_cast<unsigned>(step.width), static_cast<unsigned>(step.height));
    XSync(m_display, False);
    // The host lies at 20, 20 on the screen; the stage image is centred in it.
    const Region taperFoot{20 + (step.width - 179) / 2, 20 + (step.height - 174) / 2 + 140, 179, 30};
    EXPECT_TRUE(WaitFor([&] {
      return Count(m_root, {20, 20, step.width, step.height}, isHost) == 0 &&
             (!step.taper || Count(m_root, taperFoot, IsWarm) > 300);
    }));
  }
  EXPECT_TRUE(saver.Running());

  XDestroyWindow(m_display, host);
  XSync(m_display, False);
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
}

// Speed control with the longest delay there is: a frame takes five seconds, and still the preview ends at
// once when its host goes, well before the delay it was in could have run out.
TEST_F(SaverE2eTest, PreviewWithTheLongestDelayEndsAtOnceWhenItsHostIsDestroyed) {
  const std::filesystem::path settings = Settings().FilePath();
  std::filesystem::create_directories(settings.parent_path());
  std::ofstream(settings) << "[veltane]\nDelayOn=1\nDelayTime=5000\n";
  const Window host = MakeHost(320, 240);
  SaverProcess& saver = Start({"p", std::to_string(host)});
  ASSERT_TRUE(WaitFor([&] { return !Children(m_display, host).empty(); }));
  // By now the first frame is in its delay.
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(saver.Running());

  XDestroyWindow(m_display, host);
  XSync(m_display, False);

  EXPECT_EQ(saver.WaitForExit(2s), std::optional<int>(0));
}

TEST_F(SaverE2eTest, PreviewOfNoWindowOrOfOneThatDoesNotExistEndsAtOnceWithoutAWindow) {
  const std::size_t windowsBefore = Children(m_display, m_root).size();
  const std::vector<std::vector<std::string>> argumentLists{
      {"p", "12345"},
      {"p", "0x7ffffff"},
      {"p"},
      {"-root", "--window-id", "0x7ffffff"},
  };
  for (const auto& arguments : argumentLists) {
    SCOPED_TRACE(arguments.front() + (arguments.size() > 1 ? " " + arguments[1] : ""));
    SaverProcess& saver = Start(arguments);
    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0));
    EXPECT_EQ(Children(m_display, m_root).size(), windowsBefore);
  }
}

TEST_F(SaverE2eTest, WindowModeWithoutADisplaySaysSoAndEndsWithCodeOne) {
  SaverProcess& saver = Start({"s"}, {}, "unix:4071");
  EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(1));
  const std::string error = saver.ErrorOutput();
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
}

}  // namespace
}  // namespace veltane::test
