// Runs the installed program as xautolock runs its locker, "/bin/sh -c 'veltane s'", and as xss-lock runs
// its command, directly: the full-screen saver must stay in the foreground until the first input, so that
// the host sees it end then, with code 0.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "tests/install/installed_program.h"
#include "testing/xvfb_server.h"

// Xlib's macros (None, Bool, Status) break the test framework's headers, so Xlib comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace std::chrono_literals;
using veltane::test::InstallPrefix;
using veltane::test::WaitForExit;
using veltane::test::WaitUntil;

// Bounds on waiting, not measurements: a sanitizer build on a loaded machine starts slowly.
constexpr auto kDrawTimeout = 20s;
constexpr auto kExitTimeout = 10s;

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

// Pixels of the screen that are lit: neither black nor white, the only colours of the server's own root
// pattern, so only the taper and its flame give them.
long LitPixels(Display* display) {
  XImage* image =
      XGetImage(display, DefaultRootWindow(display), 0, 0, kScreenWidth, kScreenHeight, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  long lit = 0;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y) & 0xffffff;
      if (pixel != 0 && pixel != 0xffffff) ++lit;
    }
  }
  XDestroyImage(image);
  return lit;
}

bool StillRunning(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

struct IdleHostCase {
  const char* name;
  const char* command;
};

void PrintTo(const IdleHostCase& hostCase, std::ostream* out) { *out << hostCase.name; }

veltane::test::XvfbServer::Options ScreenOptions() {
  veltane::test::XvfbServer::Options options;
  options.width = kScreenWidth;
  options.height = kScreenHeight;
  return options;
}

class IdleHost : public testing::TestWithParam<IdleHostCase> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(InstallPrefix().empty()) << "VELTANE_INSTALL_PREFIX names no installed tree";
    ASSERT_TRUE(server.Running()) << server.Error();
    display = XOpenDisplay(server.DisplayName().c_str());
    ASSERT_NE(display, nullptr);
  }

  void TearDown() override {
    veltane::test::KillAndReap(pid);
    if (display != nullptr) XCloseDisplay(display);
  }

  veltane::test::XvfbServer server{ScreenOptions()};
  Display* display = nullptr;
  pid_t pid = -1;
};

TEST_P(IdleHost, FullScreenRunsInTheForegroundUntilTheFirstKey) {
  pid = veltane::test::StartThroughShell(
      GetParam().command, {{"DISPLAY", server.DisplayName()}, {"PATH", InstallPrefix() + "/bin:/usr/bin:/bin"}});
  ASSERT_GT(pid, 0);

  ASSERT_TRUE(WaitUntil([&] { return LitPixels(display) > 0; }, kDrawTimeout)) << "nothing drawn on the screen";
  ASSERT_TRUE(StillRunning(pid)) << "the command ended before any input, leaving the saver on its own";

  const unsigned keycode = XKeysymToKeycode(display, XK_space);
  XTestFakeKeyEvent(display, keycode, True, CurrentTime);
  XTestFakeKeyEvent(display, keycode, False, CurrentTime);
  XSync(display, False);

  const std::optional<int> status = WaitForExit(pid, kExitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after a key";
  pid = -1;
  ASSERT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  EXPECT_EQ(LitPixels(display), 0) << "the saver's window outlived it";
}

INSTANTIATE_TEST_SUITE_P(Installed, IdleHost,
                         testing::Values(IdleHostCase{"XautolockLocker", "veltane s"},
                                         IdleHostCase{"XssLockCommand", "exec veltane s"}),
                         [](const testing::TestParamInfo<IdleHostCase>& param) { return param.param.name; });

}  // namespace
