// veltane-idle on an X server, through its IDLETIME counter: idle time starts the saver, a key ends it, the
// next idle period brings it back, and the server going ends the watcher and its saver; and what it says
// where it finds no session at all.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "testing/temp_dir.h"
#include "testing/wait_until.h"
#include "testing/watcher_process.h"
#include "testing/xvfb_server.h"

// Xlib's macros (None, Bool, Status) break the test framework's headers, so Xlib comes last.
#include <X11/keysym.h>

#include "testing/x_screen.h"

namespace veltane::test {
namespace {

using std::chrono::seconds;

// A bound on waiting, not a measurement; the idle delay is one second.
constexpr seconds kTimeout{20};

TEST(X11Idle, IdleStartsTheSaverAKeyEndsItAndTheNextIdlePeriodBringsItBack) {
  XvfbServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  Display* display = XOpenDisplay(server.DisplayName().c_str());
  ASSERT_NE(display, nullptr);
  TempDir configHome;
  TempDir runtimeDir;  // with no compositor's socket in it
  WatcherProcess watcher({"--delay", "1"},
                         {"DISPLAY=" + server.DisplayName(), "XDG_RUNTIME_DIR=" + runtimeDir.String()},
                         configHome.String());

  const auto shows = [&](bool taper) {
    return WaitUntil(
        [&] {
          return (CountPixels(display, DefaultRootWindow(display), {0, 0, 640, 480}, IsWarm) > 0) == taper;
        },
        kTimeout);
  };
  ASSERT_TRUE(shows(true)) << "no taper on the screen: " << watcher.ErrorOutput();
  TapKey(display, XK_space);
  ASSERT_TRUE(shows(false)) << "a key left the taper on the screen";
  EXPECT_TRUE(watcher.Savers().empty());
  ASSERT_TRUE(shows(true)) << "no taper after the next idle period";

  const std::vector<pid_t> savers = watcher.Savers();
  ASSERT_EQ(savers.size(), 1u);
  XCloseDisplay(display);
  server.Stop();
  EXPECT_EQ(watcher.WaitForExit(kTimeout), std::optional<int>(1));
  EXPECT_TRUE(WaitUntil([&] { return kill(savers.front(), 0) != 0; }, kTimeout))
      << "the saver outlived the session";
  // The saver writes to the same standard error, and may say that its connection broke before it is ended.
  std::string errors = watcher.ErrorOutput();
  const std::string saverLine = "veltane: the X11 connection broke\n";
  if (const std::size_t at = errors.find(saverLine); at != std::string::npos)
    errors.erase(at, saverLine.size());
  EXPECT_EQ(errors, "veltane-idle: the X display has gone\n");
}

// Without a session bus, a compositor or an X display there is nothing to watch; a misused command line
// gets one line too.
TEST(X11Idle, WithNoSessionOrABadArgumentItSaysSoInOneLineAndEnds) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* line;
  };
  const Case cases[] = {
      {{},
       1,
       "no idle source: found no GNOME idle monitor on the session bus, no Wayland compositor and no X "
       "display with the IDLETIME counter"},
      {{"--delay", "0"}, 2, "the delay \"0\" is not a whole number of seconds from 1 to 86400"},
      {{"--lock"}, 2, "\"--lock\" is not an option; try 'veltane-idle --help'"},
  };
  TempDir home;
  for (const Case& c : cases) {
    WatcherProcess watcher(c.arguments, {"XDG_RUNTIME_DIR=" + home.String()}, home.String());
    EXPECT_EQ(watcher.WaitForExit(kTimeout), std::optional<int>(c.exitCode));
    EXPECT_EQ(watcher.ErrorOutput(), std::string("veltane-idle: ") + c.line + "\n");
  }
}

}  // namespace
}  // namespace veltane::test
