// The real program's window modes on a private X server with a settings path that must not be read, and
// what the window modes map into memory.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testing/saver_process.h"
#include "testing/wait_until.h"
#include "testing/xvfb_server.h"

// Xlib's macros clash with GoogleTest's names, so its headers come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace veltane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Generous for a loaded machine; nothing here measures time.
constexpr auto kPatience = 10s;

// The lines of the process's memory map that name a Qt library.
std::string QtMappedBy(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string qtLines;
  for (std::string line; std::getline(maps, line);) {
    if (line.find("libQt") != std::string::npos) qtLines += line + '\n';
  }
  return qtLines;
}

class SettingsE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Running()) << m_server.Error();
    m_display = XOpenDisplay(m_server.DisplayName().c_str());
    ASSERT_NE(m_display, nullptr);
    char pattern[] = "/tmp/veltane-settings-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_configHome = pattern;
    fs::create_directories(SettingsFile().parent_path());
  }

  void TearDown() override {
    m_program.reset();
    if (m_display != nullptr) XCloseDisplay(m_display);
    fs::remove_all(m_configHome);
  }

  fs::path SettingsFile() const { return fs::path(m_configHome) / "Quillon Screen Savers" / "veltane.conf"; }

  SaverProcess& Start(const std::vector<std::string>& arguments) {
    m_program = std::make_unique<SaverProcess>(arguments, m_server.DisplayName(), m_configHome);
    EXPECT_TRUE(m_program->Started());
    return *m_program;
  }

  static bool WaitFor(const std::function<bool()>& condition) { return WaitUntil(condition, kPatience); }

  // Something of the flame or the taper drawn in the middle of the window.
  bool Drawn(Window window, int width, int height) {
    XImage* image = XGetImage(m_display, window, width / 4, height / 4, static_cast<unsigned>(width / 2),
                              static_cast<unsigned>(height / 2), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool lit = false;
    for (int y = 0; y < height / 2 && !lit; ++y) {
      for (int x = 0; x < width / 2 && !lit; ++x) lit = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
    }
    XDestroyImage(image);
    return lit;
  }

  // The full-screen saver holds the keyboard and has drawn its first frame.
  bool FullScreenUp() {
    const Window root = DefaultRootWindow(m_display);
    const int grab = XGrabKeyboard(m_display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (grab == GrabSuccess) XUngrabKeyboard(m_display, CurrentTime);
    XSync(m_display, False);
    return grab == AlreadyGrabbed && Drawn(root, 640, 480);
  }

  void PressKey(KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XSync(m_display, False);
  }

  XvfbServer m_server;
  Display* m_display = nullptr;
  std::string m_configHome;
  std::unique_ptr<SaverProcess> m_program;
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
    PressKey(XK_Shift_L);
    EXPECT_EQ(saver.WaitForExit(kPatience), std::optional<int>(0)) << c.name;
    EXPECT_EQ(fs::symlink_status(SettingsFile()).type(), c.type) << c.name;
  }
}

TEST_F(SettingsE2eTest, TheWindowModesMapNoQtWhereTheConfigurationModeDoes) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window host = XCreateWindow(m_display, DefaultRootWindow(m_display), 0, 0, 320, 240, 0, CopyFromParent,
                                    InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
  XMapWindow(m_display, host);
  XSync(m_display, False);

  SaverProcess& preview = Start({"p", std::to_string(host)});
  ASSERT_TRUE(WaitFor([&] { return Drawn(host, 320, 240); }));
  EXPECT_EQ(QtMappedBy(preview.Pid()), "");
  XDestroyWindow(m_display, host);
  XSync(m_display, False);
  EXPECT_EQ(preview.WaitForExit(kPatience), std::optional<int>(0));

  SaverProcess& fullScreen = Start({"s"});
  ASSERT_TRUE(WaitFor([&] { return FullScreenUp(); }));
  EXPECT_EQ(QtMappedBy(fullScreen.Pid()), "");
  PressKey(XK_Shift_L);
  EXPECT_EQ(fullScreen.WaitForExit(kPatience), std::optional<int>(0));

  // The same look finds the toolkit in the mode that loads it.
  SaverProcess& configuration = Start({"c"});
  EXPECT_TRUE(WaitFor([&] { return !QtMappedBy(configuration.Pid()).empty(); }));
}

}  // namespace
}  // namespace veltane::test
