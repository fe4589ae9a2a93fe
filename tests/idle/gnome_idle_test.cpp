// veltane-idle in a headless GNOME session: mutter's idle monitor starts the saver, any input that mutter
// sees ends it (a key too, which mutter gives to no window of the saver's, so only the watcher can end it),
// an inhibitor holds it back, and GNOME taking the screen ends it and keeps it away.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "testing/mutter_server.h"
#include "testing/temp_dir.h"
#include "testing/wait_until.h"
#include "testing/watcher_process.h"

namespace veltane::test {
namespace {

using std::chrono::seconds;

// Bounds on waiting, not measurements; the idle delay is one second.
constexpr seconds kTimeout{20};
// Three idle periods: long enough for a saver that should not start to have started.
constexpr seconds kThreeDelays{3};

class GnomeIdle : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_gnome.Running()) << m_gnome.Error(); }

  void StartWatcher() {
    m_watcher = std::make_unique<WatcherProcess>(std::vector<std::string>{"--delay", "1"},
                                                 m_gnome.ClientEnvironment(), m_configHome.String());
  }

  // Waits until a saver runs, or none does, under a watcher that still runs.
  bool SaverRuns(bool runs, seconds timeout = kTimeout) {
    return WaitUntil([&] { return m_watcher->Savers().empty() != runs || !m_watcher->Running(); }, timeout) &&
           m_watcher->Running();
  }

  MutterServer m_gnome;
  TempDir m_configHome;
  std::unique_ptr<WatcherProcess> m_watcher;
};

TEST_F(GnomeIdle, IdleStartsTheSaverAndAnyInputThatMutterSeesEndsIt) {
  StartWatcher();
  ASSERT_TRUE(SaverRuns(true)) << m_watcher->ErrorOutput();
  ASSERT_TRUE(m_gnome.MovePointer());
  ASSERT_TRUE(SaverRuns(false)) << "a motion left the saver running";
  ASSERT_TRUE(SaverRuns(true)) << "no saver after the next idle period";
  ASSERT_TRUE(m_gnome.TapKey());
  ASSERT_TRUE(SaverRuns(false)) << "a key left the saver running";
  EXPECT_EQ(m_watcher->ErrorOutput(), "");
}

TEST_F(GnomeIdle, AnInhibitorHoldsTheSaverBackUntilItGoes) {
  const auto cookie =
      m_gnome.Call("org.gnome.SessionManager", "/org/gnome/SessionManager",
                   "org.gnome.SessionManager.Inhibit", "('player', uint32 0, 'a film', uint32 8)");
  ASSERT_TRUE(cookie);
  StartWatcher();
  EXPECT_FALSE(SaverRuns(true, kThreeDelays)) << "a saver started while idle was inhibited";
  ASSERT_TRUE(m_gnome.Call("org.gnome.SessionManager", "/org/gnome/SessionManager",
                           "org.gnome.SessionManager.Uninhibit", *cookie));
  EXPECT_TRUE(SaverRuns(true)) << "no saver once the inhibitor had gone";
}

// GNOME takes the screen at its own idle delay, through the session's presence and the shell's shield.
struct TakingCase {
  const char* name;
  const char* service;
  const char* path;
  const char* method;
  const char* take;
  const char* giveBack;
};

void PrintTo(const TakingCase& c, std::ostream* out) { *out << c.name; }

class GnomeTakesTheScreen : public GnomeIdle, public testing::WithParamInterface<TakingCase> {};

TEST_P(GnomeTakesTheScreen, EndsTheSaverAndStartsNoneUntilItGivesTheScreenBack) {
  const TakingCase& c = GetParam();
  StartWatcher();
  ASSERT_TRUE(SaverRuns(true)) << m_watcher->ErrorOutput();
  ASSERT_TRUE(m_gnome.Call(c.service, c.path, c.method, c.take));
  ASSERT_TRUE(SaverRuns(false)) << "the saver still runs with GNOME's screen taken";
  ASSERT_TRUE(m_gnome.MovePointer());
  EXPECT_FALSE(SaverRuns(true, kThreeDelays)) << "a saver started with GNOME's screen taken";
  ASSERT_TRUE(m_gnome.Call(c.service, c.path, c.method, c.giveBack));
  ASSERT_TRUE(m_gnome.MovePointer());
  EXPECT_TRUE(SaverRuns(true)) << "no saver once GNOME gave the screen back";
}

INSTANTIATE_TEST_SUITE_P(
    Gnome, GnomeTakesTheScreen,
    testing::Values(TakingCase{"ScreenShield", "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver",
                               "org.gnome.ScreenSaver.SetActive", "(true,)", "(false,)"},
                    TakingCase{"IdlePresence", "org.gnome.SessionManager",
                               "/org/gnome/SessionManager/Presence",
                               "org.gnome.SessionManager.Presence.SetStatus", "(uint32 3,)", "(uint32 0,)"}),
    [](const testing::TestParamInfo<TakingCase>& param) { return param.param.name; });

}  // namespace
}  // namespace veltane::test
