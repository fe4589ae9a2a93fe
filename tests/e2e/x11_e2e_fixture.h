#pragma once
// The fixture of the end-to-end tests on X11: a private X server, a connection to it that plays the user,
// the host and other clients, a settings home of the test's own, and the real program, started on demand
// and gone with the test.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "testing/saver_process.h"
#include "testing/temp_dir.h"
#include "testing/xvfb_server.h"

// Xlib's macros (None, Bool, Status) clash with GoogleTest's names, so its headers come last.
#include "testing/x_screen.h"

namespace veltane::test {

// The private server's monitors: one, or with a second size a second monitor to the right of the first,
// the two joined with Xinerama by an Xephyr that runs inside a private Xvfb. One monitor may be given a
// density in dots per inch, which the server reports as the screen's size in millimetres.
struct Screens {
  int width = 640;
  int height = 480;
  int secondWidth = 0;
  int secondHeight = 0;
  int dpi = 0;
};

class X11E2eTest : public ::testing::Test {
 protected:
  using Clock = std::chrono::steady_clock;
  // Generous for a loaded machine and a sanitizer build; the benchmark measures how fast things really are.
  static constexpr std::chrono::milliseconds kPatience{20000};

  explicit X11E2eTest(const Screens& screens = {});
  void SetUp() override;
  void TearDown() override;

  // Starts the program with these arguments and environment entries, on the test's server unless display
  // names another, and ends the one started before.
  SaverProcess& Start(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = {}, const std::string& display = {});
  static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience);
  // The settings that the program reads and writes in this test.
  settings::SettingsStore Settings() const;
  // A window of another client in the given colour, mapped above every other.
  Window ShowWindow(const Region& area, unsigned long background, bool overrideRedirect = true);
  int Count(Window window, const Region& region, bool (*matches)(std::uint32_t)) const {
    return CountPixels(m_display, window, region, matches);
  }

  std::unique_ptr<XvfbServer> m_outer;
  XvfbServer m_server;
  Display* m_display = nullptr;
  Window m_root = None;
  TempDir m_configHome;
  std::unique_ptr<SaverProcess> m_program;
  Clock::time_point m_started;
};

}  // namespace veltane::test
