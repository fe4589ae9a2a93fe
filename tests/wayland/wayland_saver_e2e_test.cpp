// The real program in full-screen mode on a headless sway: what it shows on each output, what ends it,
// and the xdg-shell path that compositors without the layer shell take.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/dib.h"
#include "platform/resources.h"
#include "platform/wayland/wayland_backend.h"
#include "stages/stage_sequencer.h"
#include "testing/saver_process.h"
#include "testing/sway_server.h"
#include "testing/temp_dir.h"
#include "testing/wait_until.h"

namespace veltane::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr std::int32_t kWidth = 640;
constexpr std::int32_t kHeight = 480;

// The first paint's picture on a 640 x 480 output at the given scale, in picture pixels: black, with the
// stage 0 taper centred.
std::vector<std::uint32_t> ExpectedFirstPaint(std::int32_t scale) {
  const std::int32_t width = kWidth / scale;
  const std::int32_t height = kHeight / scale;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height), 0);
  const std::string name = "#" + std::to_string(stages::StageImageIds[0]);
  platform::DibView taper;
  EXPECT_TRUE(
      platform::ParsePackedDib(platform::FindResource(name.c_str(), platform::ResourceType::Bitmap), &taper));
  platform::BlitDib(taper, (width - taper.header.biWidth) / 2, (height - taper.header.biHeight) / 2,
                    platform::Surface{pixels.data(), width, height, width});
  return pixels;
}

// Screen pixels outside the flame that differ from the first paint's, pixels that differ from the rest of
// their scale x scale block, and whether the flame shows any light.
struct Comparison {
  std::size_t wrong = 0;
  std::size_t blurred = 0;
  bool flameLit = false;
};

Comparison Compare(const Screenshot& shot, const std::vector<std::uint32_t>& expected, std::int32_t scale) {
  Comparison result;
  if (shot.width != kWidth || shot.height != kHeight)
    return {static_cast<std::size_t>(kWidth * kHeight), 0, false};
  const std::int32_t width = kWidth / scale;
  // Where the flame stands over stage 0 on the wick of the taper: the pixels that change from frame to frame.
  const platform::Rect flame =
      platform::RectAt((width - 70) / 2 - 1, (kHeight / scale - 100) / 2 - 125, 70, 100);
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x) {
      const std::uint32_t pixel = shot.At(x, y);
      const std::int32_t column = x / scale;
      const std::int32_t row = y / scale;
      if (pixel != shot.At(column * scale, row * scale)) ++result.blurred;
      if (column >= flame.left && column < flame.right && row >= flame.top && row < flame.bottom) {
        result.flameLit = result.flameLit || pixel != 0;
      } else if (pixel != expected[static_cast<std::size_t>(row * width + column)]) {
        ++result.wrong;
      }
    }
  }
  return result;
}

class WaylandSaver : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_sway.Running()) << m_sway.Error();
    // The pointer is on the first output before the saver starts, as a user's is.
    ASSERT_TRUE(m_sway.AddPointer());
    ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "set", "100", "100"}), 0);
  }

  // The saver in full-screen mode with no X display to fall back on, so that only Wayland can show it.
  // With program, that program instead, with the same environment.
  std::unique_ptr<SaverProcess> StartSaver(const std::string& program = {}) {
    return std::make_unique<SaverProcess>(std::vector<std::string>{"s"}, "", m_configHome.String(),
                                          m_sway.ClientEnvironment(), program);
  }

  // Waits for the first output, at the given scale, to show the first paint with the flame burning over it;
  // with errors, keeps there what the saver writes to its standard error meanwhile.
  Comparison WaitForTaper(SaverProcess& saver, std::int32_t scale = 1, std::string* errors = nullptr) {
    const std::vector<std::uint32_t> expected = ExpectedFirstPaint(scale);
    Comparison last{static_cast<std::size_t>(kWidth * kHeight), 0, false};
    WaitUntil(
        [&] {
          if (errors != nullptr) *errors += saver.ErrorOutput();
          Screenshot shot;
          if (m_sway.Capture("HEADLESS-1", &shot)) last = Compare(shot, expected, scale);
          return (last.wrong == 0 && last.flameLit) || !saver.Running();
        },
        seconds(15), milliseconds(100));
    return last;
  }

  SwayServer m_sway;
  TempDir m_configHome;
};

// An output's screenshot once it is black all over, or the last one taken within the time.
Screenshot WaitForBlack(SwayServer& sway, const std::string& output) {
  Screenshot shot;
  const auto black = [&] {
    return sway.Capture(output, &shot) && std::count(shot.pixels.begin(), shot.pixels.end(), 0u) == 320 * 240;
  };
  WaitUntil(black, seconds(10), milliseconds(100));
  return shot;
}

// An output that comes while the saver runs is covered too, and is no sign of the user: sway hands the
// keyboard round the saver's surfaces as it sets the output up.
TEST_F(WaylandSaver, CoversEveryOutputWithTheTaperOnTheFirstAndBlackElsewhereAndRunsOnAsOneComes) {
  ASSERT_TRUE(m_sway.AddKeyboard());
  ASSERT_TRUE(m_sway.AddOutput());
  auto saver = StartSaver();
  const Comparison first = WaitForTaper(*saver);
  EXPECT_EQ(first.wrong, 0u);
  EXPECT_TRUE(first.flameLit);
  ASSERT_TRUE(m_sway.AddOutput());
  for (const char* output : {"HEADLESS-2", "HEADLESS-3"}) {
    SCOPED_TRACE(output);
    const Screenshot other = WaitForBlack(m_sway, output);
    EXPECT_EQ(other.width, 320);
    EXPECT_EQ(std::count(other.pixels.begin(), other.pixels.end(), 0u), 320 * 240);
  }
  EXPECT_TRUE(saver->Running()) << saver->ErrorOutput();
  ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "move", "1", "0"}), 0);
  EXPECT_EQ(saver->WaitForExit(seconds(5)), std::optional<int>(0));
}

struct InputCase {
  const char* name;
  std::vector<std::string> tool;
  bool waitForTool;  // wtype keeps its keyboard for a while after the key, so it runs beside the wait.
};

// Each input ends the saver at once with code 0. wtype's keyboard comes half a second before its key, so
// that the key reaches the saver as a press rather than as a key already held when the keyboard enters,
// and outlives it by three seconds, so that an end within the bound came from the key and not from the
// keyboard going away.
TEST_F(WaylandSaver, AKeyAButtonOrAOnePixelMotionEndsItWithinASecond) {
  const std::vector<InputCase> cases = {
      {"a letter", {"wtype", "-s", "500", "a", "-s", "3000"}, false},
      {"Shift alone", {"wtype", "-s", "500", "-P", "Shift_L", "-s", "3000", "-p", "Shift_L"}, false},
      {"Alt with a letter", {"wtype", "-s", "500", "-M", "alt", "x", "-s", "3000", "-m", "alt"}, false},
      {"the left button", {"swaymsg", "seat", "-", "cursor", "press", "button1"}, true},
      {"the middle button", {"swaymsg", "seat", "-", "cursor", "press", "button2"}, true},
      {"the right button", {"swaymsg", "seat", "-", "cursor", "press", "button3"}, true},
      {"one pixel to the right", {"swaymsg", "seat", "-", "cursor", "move", "1", "0"}, true},
      {"one pixel down", {"swaymsg", "seat", "-", "cursor", "move", "0", "1"}, true},
      {"onto the second output's cover", {"swaymsg", "seat", "-", "cursor", "set", "700", "50"}, true},
  };
  ASSERT_TRUE(m_sway.AddOutput());
  for (const InputCase& input : cases) {
    SCOPED_TRACE(input.name);
    auto saver = StartSaver();
    ASSERT_EQ(WaitForTaper(*saver).wrong, 0u) << saver->ErrorOutput();
    std::thread tool;
    milliseconds bound(1000);
    if (input.waitForTool) {
      ASSERT_EQ(m_sway.RunTool(input.tool), 0);
    } else {
      // The tool's own start-up comes on top of the second.
      bound += milliseconds(1000);
      tool = std::thread([&] { m_sway.RunTool(input.tool); });
    }
    EXPECT_EQ(saver->WaitForExit(bound), std::optional<int>(0)) << saver->ErrorOutput();
    if (tool.joinable()) tool.join();
    ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "release", "button1"}), 0);
    ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "set", "100", "100"}), 0);
  }
}

// Once its flame is still, the saver sleeps until the next thing that can change it; a key still ends it.
TEST_F(WaylandSaver, ASaverWhoseFlameIsStillSleepsAndAKeyEndsIt) {
  auto saver = StartSaver();
  ASSERT_EQ(WaitForTaper(*saver).wrong, 0u) << saver->ErrorOutput();
  ASSERT_TRUE(WaitUntil([&] { return saver->SleepsThroughout(milliseconds(100)); }, seconds(10)));

  std::thread tool([&] { m_sway.RunTool({"wtype", "-s", "500", "a", "-s", "3000"}); });

  EXPECT_EQ(saver->WaitForExit(milliseconds(2000)), std::optional<int>(0)) << saver->ErrorOutput();
  tool.join();
}

TEST_F(WaylandSaver, TheWheelAndAMotionBackToTheOriginDoNotEndIt) {
  auto saver = StartSaver();
  ASSERT_EQ(WaitForTaper(*saver).wrong, 0u);
  ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "set", "100", "100"}), 0);
  ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "press", "button4"}), 0);
  EXPECT_FALSE(saver->WaitForExit(milliseconds(500)).has_value());
}

// The second ends at once and leaves the first showing and ending on input.
TEST_F(WaylandSaver, ASecondSaverEndsAtOnceAndLeavesTheFirstRunning) {
  auto first = StartSaver();
  ASSERT_EQ(WaitForTaper(*first).wrong, 0u);
  auto second = StartSaver();
  EXPECT_EQ(second->WaitForExit(seconds(5)), std::optional<int>(0));
  EXPECT_EQ(WaitForTaper(*first).wrong, 0u);
  ASSERT_EQ(m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "move", "1", "0"}), 0);
  EXPECT_EQ(first->WaitForExit(seconds(5)), std::optional<int>(0));
}

// swaylock takes the input from a running saver, which ends; a saver started under the lock ends at once,
// and the screen shows the lock, not the taper.
TEST_F(WaylandSaver, ALockScreenEndsTheSaverAndASaverStartedUnderItEndsAtOnce) {
  constexpr std::uint32_t kLockColour = 0x336699;
  ASSERT_TRUE(m_sway.AddKeyboard());
  auto saver = StartSaver();
  ASSERT_EQ(WaitForTaper(*saver).wrong, 0u);
  // With -f, swaylock returns once the screen is locked and stays behind until the compositor goes.
  ASSERT_EQ(m_sway.RunTool({"swaylock", "-f", "--no-unlock-indicator", "--color", "336699"}), 0);
  EXPECT_EQ(saver->WaitForExit(seconds(5)), std::optional<int>(0)) << saver->ErrorOutput();

  auto underLock = StartSaver();
  EXPECT_EQ(underLock->WaitForExit(seconds(5)), std::optional<int>(0)) << underLock->ErrorOutput();
  Screenshot shot;
  ASSERT_TRUE(m_sway.Capture("HEADLESS-1", &shot));
  EXPECT_EQ(std::count(shot.pixels.begin(), shot.pixels.end(), kLockColour), kWidth * kHeight);
}

TEST_F(WaylandSaver, KillingTheCompositorEndsItWithinASecondWithALineThatSaysWhy) {
  auto saver = StartSaver();
  ASSERT_EQ(WaitForTaper(*saver).wrong, 0u);
  m_sway.Stop(SIGKILL);
  EXPECT_EQ(saver->WaitForExit(milliseconds(1000)), std::optional<int>(1));
  EXPECT_EQ(saver->ErrorOutput(), "veltane: the Wayland connection broke\n");
}

TEST_F(WaylandSaver, WithoutTheLayerShellAFullScreenToplevelShowsItAndAKeyEndsIt) {
  auto saver = StartSaver(TOPLEVEL_SAVER);
  const Comparison first = WaitForTaper(*saver);
  EXPECT_EQ(first.wrong, 0u);
  EXPECT_TRUE(first.flameLit);
  std::thread tool([&] { m_sway.RunTool({"wtype", "-s", "500", "q", "-s", "3000"}); });
  EXPECT_EQ(saver->WaitForExit(milliseconds(2000)), std::optional<int>(0)) << saver->ErrorOutput();
  tool.join();
}

// At output scale 2 the buffers are committed at scale 2, so the compositor enlarges nothing, and the picture
// of a 320 x 240 window shows in sharp 2 x 2 blocks. The saver's requests are read from libwayland's log.
TEST_F(WaylandSaver, AtOutputScaleTwoTheBuffersAreCommittedAtTwoAndShowSharpBlocks) {
  ASSERT_EQ(m_sway.RunTool({"swaymsg", "output", "HEADLESS-1", "scale", "2"}), 0);
  std::vector<std::string> environment = m_sway.ClientEnvironment();
  environment.push_back("WAYLAND_DEBUG=client");
  SaverProcess saver({"s"}, "", m_configHome.String(), environment);
  std::string requests;
  const Comparison shown = WaitForTaper(saver, 2, &requests);
  EXPECT_NE((requests + saver.ErrorOutput()).find(".set_buffer_scale(2)"), std::string::npos);
  EXPECT_EQ(shown.wrong, 0u);
  EXPECT_EQ(shown.blurred, 0u);
  EXPECT_TRUE(shown.flameLit);
}

// With no compositor and no X display: the preview has nothing to show and ends quietly; full screen
// says why it cannot run, in its one line and nothing else.
TEST(WithoutAnyDisplay, ThePreviewEndsQuietlyAndFullScreenSaysWhy) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"p", "12345"}, 0, ""},
      {{"s"}, 1, "veltane: cannot open the X display\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    SaverProcess saver(c.arguments, "", "/tmp");
    EXPECT_EQ(saver.WaitForExit(milliseconds(2000)), std::optional<int>(c.exitCode));
    EXPECT_EQ(saver.ErrorOutput(), c.message);
  }
}

}  // namespace
}  // namespace veltane::test
