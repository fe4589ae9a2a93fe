// veltane-idle on a headless sway 1.7, which offers org_kde_kwin_idle and no other idle protocol: idle time
// starts the saver, which shows the taper, and a key ends it.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "testing/sway_server.h"
#include "testing/temp_dir.h"
#include "testing/wait_until.h"
#include "testing/watcher_process.h"

namespace veltane::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// A bound on waiting, not a measurement; the idle delay is one second.
constexpr seconds kTimeout{20};

TEST(SwayIdle, IdleStartsTheSaverAndAKeyEndsIt) {
  SwayServer sway;
  ASSERT_TRUE(sway.Running()) << sway.Error();
  ASSERT_TRUE(sway.AddKeyboard());
  TempDir configHome;
  WatcherProcess watcher({"--delay", "1"}, sway.ClientEnvironment(), configHome.String());

  const auto lit = [&] {
    Screenshot shot;
    return sway.Capture("HEADLESS-1", &shot) && std::any_of(shot.pixels.begin(), shot.pixels.end(),
                                                            [](std::uint32_t pixel) { return pixel != 0; });
  };
  ASSERT_TRUE(WaitUntil([&] { return watcher.Savers().size() == 1 && lit(); }, kTimeout, milliseconds(50)))
      << "no taper on the screen: " << watcher.ErrorOutput();

  // wtype's keyboard comes half a second before its key and stays a while after it.
  const auto key = sway.StartTool({"wtype", "-s", "500", "a", "-s", "3000"});
  EXPECT_TRUE(WaitUntil([&] { return watcher.Savers().empty(); }, kTimeout))
      << "a key left the saver running";
  EXPECT_EQ(SwayServer::FinishTool(key), 0);
  EXPECT_TRUE(watcher.Running());
  EXPECT_EQ(watcher.ErrorOutput(), "");
}

}  // namespace
}  // namespace veltane::test
