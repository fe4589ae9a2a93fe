// Runs MATE's screen saver with the installed theme: the host lists the theme, runs its command in its own
// full-screen window, and stops it when the user comes back. The taper must fill the screen while the host
// is active, and a key must leave no saver process behind.

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "testing/process_list.h"
#include "testing/temp_dir.h"
#include "testing/wait_until.h"
#include "testing/xvfb_server.h"
#include "tests/install/installed_program.h"

// Xlib's macros (None, Bool, Status) break the test framework's headers, so Xlib comes last.
#include <X11/keysym.h>

#include "testing/x_screen.h"

namespace veltane::test {
namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
// The theme's id: its file's path below applications/, with '-' for the folder's '/'.
constexpr const char* kThemeId = "screensavers-veltane";

// The processes of the group that run the program, ended ones left out.
std::vector<pid_t> SaversIn(pid_t group) {
  std::vector<pid_t> savers;
  for (const ProcessEntry& process : LiveProcesses()) {
    if (process.group == group && process.name == "veltane") savers.push_back(process.pid);
  }
  return savers;
}

class MateHost : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(StagedRoot().empty()) << "VELTANE_STAGED_ROOT names no tree installed under /usr";
    ASSERT_TRUE(server.Running()) << server.Error();
    display = XOpenDisplay(server.DisplayName().c_str());
    ASSERT_NE(display, nullptr);
  }

  // The whole group goes: the shell below the session bus would outlive the bus.
  void TearDown() override {
    if (session != nullptr && session->Started()) {
      kill(-session->Pid(), SIGKILL);
      session->Stop(SIGKILL);
    }
    if (display != nullptr) XCloseDisplay(display);
  }

  static std::string StagedRoot() {
    const char* root = std::getenv("VELTANE_STAGED_ROOT");
    return root != nullptr ? root : "";
  }

  int Count(const Region& region, bool (*matches)(std::uint32_t)) {
    return CountPixels(display, DefaultRootWindow(display), region, matches);
  }

  XvfbServer server{{.width = kScreenWidth, .height = kScreenHeight}};
  Display* display = nullptr;
  TempDir home{"veltane-mate-"};
  std::unique_ptr<ChildProcess> session;
};

TEST_F(MateHost, RunsTheThemeFullScreenAndAKeyEndsItWithNoSaverLeft) {
  session = std::make_unique<ChildProcess>(
      std::vector<std::string>{"sh", VELTANE_MATE_SESSION, StagedRoot(), home.String(), kThemeId},
      ChildProcess::Options{.environment = EnvironmentWith({{"DISPLAY", server.DisplayName()}}),
                            .output = (home / "session.log").string()});
  ASSERT_TRUE(session->Started());

  // The host's window is black and covers the screen, the server's black and white pattern included; the
  // taper is the only warm colour, and it stands in the middle.
  const Region whole{0, 0, kScreenWidth, kScreenHeight};
  const Region middle{kScreenWidth / 4, kScreenHeight / 4, kScreenWidth / 2, kScreenHeight / 2};
  const bool shown = WaitUntil(
      [&] {
        return Count(middle, IsWarm) > 2000 && Count(middle, IsFlaming) > 20 &&
               Count(whole, IsWarm) == Count(middle, IsWarm);
      },
      kDrawTimeout);
  ASSERT_TRUE(shown) << "no taper in the middle of the screen; the session said:\n"
                     << std::ifstream(home / "session.log").rdbuf();
  for (const Region corner :
       {Region{0, 0, 100, 100}, Region{kScreenWidth - 100, kScreenHeight - 100, 100, 100}}) {
    EXPECT_EQ(Count(corner, IsLit), 0) << "the screen is not covered";
  }
  ASSERT_EQ(SaversIn(session->Pid()).size(), 1u);

  TapKey(display, XK_space);

  EXPECT_TRUE(WaitUntil([&] { return SaversIn(session->Pid()).empty(); }, kExitTimeout))
      << "a saver process is left after the key";
  EXPECT_TRUE(WaitUntil([&] { return Count(middle, IsWarm) == 0; }, kExitTimeout))
      << "the taper is still shown";
  EXPECT_TRUE(session->Running()) << "the host ended with its saver";
}

}  // namespace
}  // namespace veltane::test
