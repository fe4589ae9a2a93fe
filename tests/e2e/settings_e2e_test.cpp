// The real program's window modes on a private X server with a settings path that must not be read, and
// what the window modes map into memory.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "tests/e2e/x11_e2e_fixture.h"

#include <X11/keysym.h>

namespace veltane::test {
namespace {

namespace fs = std::filesystem;

// The lines of the process's memory map that name a Qt library.
std::string QtMappedBy(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string qtLines;
  for (std::string line; std::getline(maps, line);) {
    if (line.find("libQt") != std::string::npos) qtLines += line + '\n';
  }
  return qtLines;
}

class SettingsE2eTest : public X11E2eTest {
 protected:
  void SetUp() override {
    X11E2eTest::SetUp();
    fs::create_directories(SettingsFile().parent_path());
  }

  fs::path SettingsFile() const { return Settings().FilePath(); }

  // Something of the flame or the taper drawn in the middle of the window.
  bool Drawn(Window window, int width, int height) {
    return Count(window, {width / 4, height / 4, width / 2, height / 2}, IsLit) > 0;
  }

  // The full-screen saver holds the keyboard and has drawn its first frame.
  bool FullScreenUp() {
    const int grab = XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (grab == GrabSuccess) XUngrabKeyboard(m_display, CurrentTime);
    XSync(m_display, False);
    return grab == AlreadyGrabbed && Drawn(m_root, 640, 480);
  }
};

TEST_F(SettingsE2eTest, APipeOrADeviceAtTheSettingsPathGivesTheDefaultsAndAKeyEndsTheSaver) {
  struct Case {
    const char* name;
    std::function<void()> make;
    fs::file_type type;
  };
  const Case cases[] = {
      {"named pipe", [&] { ASSERT_EQ(mkfifo(SettingsFile().c_str(), 0600), 0); }, fs::file_type::fifo},
      {"link to a device", [&] { fs::create_symlink("/dev/zero", SettingsFile()); }, fs::file_type::symlink},
  };
  for (const Case& c : cases) {
    fs::remove(SettingsFile());
    c.make();
    SaverProcess& saver = Start({"s"});
    ASSERT_TRUE(WaitFor([&] { return FullScreenUp(); })) << c.name;
    TapKey(m_display, XK_Shift_L);
    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0)) << c.name;
    EXPECT_EQ(fs::symlink_status(SettingsFile()).type(), c.type) << c.name;
  }
}

TEST_F(SettingsE2eTest, TheWindowModesMapNoQtWhereTheConfigurationModeDoes) {
  // A black host, so that only the preview lights anything in it.
  const Window host = ShowWindow({0, 0, 320, 240}, 0x000000);
  SaverProcess& preview = Start({"p", std::to_string(host)});
  ASSERT_TRUE(WaitFor([&] { return Drawn(host, 320, 240); }));
  EXPECT_EQ(QtMappedBy(preview.Pid()), "");
  XDestroyWindow(m_display, host);
  XSync(m_display, False);
  EXPECT_EQ(preview.WaitForExit(kPatience), std::optional<int>(0));

  SaverProcess& fullScreen = Start({"s"});
  ASSERT_TRUE(WaitFor([&] { return FullScreenUp(); }));
  EXPECT_EQ(QtMappedBy(fullScreen.Pid()), "");
  TapKey(m_display, XK_Shift_L);
  EXPECT_EQ(fullScreen.WaitForExit(kPatience), std::optional<int>(0));

  // The same look finds the toolkit in the mode that loads it.
  SaverProcess& configuration = Start({"c"});
  EXPECT_TRUE(WaitFor([&] { return !QtMappedBy(configuration.Pid()).empty(); }));
}

}  // namespace
}  // namespace veltane::test
