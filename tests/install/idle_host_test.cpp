// Runs the installed program as xautolock runs its locker, "/bin/sh -c 'veltane s'", and as xss-lock runs
// its command, directly: the full-screen saver must stay in the foreground until the first input, so that
// the host sees it end then, with code 0.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

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

// Pixels of the screen that are lit: neither black nor white, the only colours of the server's own root
// pattern, so only the taper and its flame give them.
int LitPixels(Display* display) {
  return CountPixels(display, DefaultRootWindow(display), {0, 0, kScreenWidth, kScreenHeight},
                     [](std::uint32_t pixel) { return pixel != 0 && pixel != 0xffffff; });
}

struct IdleHostCase {
  const char* name;
  const char* command;
};

void PrintTo(const IdleHostCase& hostCase, std::ostream* out) { *out << hostCase.name; }

class IdleHost : public testing::TestWithParam<IdleHostCase> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(InstallPrefix().empty()) << "VELTANE_INSTALL_PREFIX names no installed tree";
    ASSERT_TRUE(server.Running()) << server.Error();
    display = XOpenDisplay(server.DisplayName().c_str());
    ASSERT_NE(display, nullptr);
  }

  void TearDown() override {
    program.reset();
    if (display != nullptr) XCloseDisplay(display);
  }

  XvfbServer server{{.width = kScreenWidth, .height = kScreenHeight}};
  Display* display = nullptr;
  std::unique_ptr<ChildProcess> program;
};

TEST_P(IdleHost, FullScreenRunsInTheForegroundUntilTheFirstKey) {
  program = StartThroughShell(GetParam().command, {{"DISPLAY", server.DisplayName()},
                                                   {"PATH", InstallPrefix() + "/bin:/usr/bin:/bin"}});
  ASSERT_TRUE(program->Started());

  ASSERT_TRUE(WaitUntil([&] { return LitPixels(display) > 0; }, kDrawTimeout))
      << "nothing drawn on the screen";
  ASSERT_TRUE(program->Running()) << "the command ended before any input, leaving the saver on its own";

  TapKey(display, XK_space);

  ASSERT_EQ(program->WaitForExit(kExitTimeout), std::optional<int>(0))
      << "still running after a key, or ended by signal " << program->Signal();
  EXPECT_EQ(LitPixels(display), 0) << "the saver's window outlived it";
}

INSTANTIATE_TEST_SUITE_P(Installed, IdleHost,
                         testing::Values(IdleHostCase{"XautolockLocker", "veltane s"},
                                         IdleHostCase{"XssLockCommand", "exec veltane s"}),
                         [](const testing::TestParamInfo<IdleHostCase>& param) { return param.param.name; });

}  // namespace
}  // namespace veltane::test
