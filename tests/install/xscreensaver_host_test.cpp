// Runs the installed program as XScreenSaver runs a display mode: "/bin/sh -c 'exec <command>'" with the
// hack directory first on $PATH and the window to draw into in $XSCREENSAVER_WINDOW, written "0x%lX";
// the settings preview appends " --window-id 0x%X" to the same command. Each run must draw into the
// host's window, and end by itself with code 0 when the host destroys that window, or at once on SIGTERM,
// leaving nothing in the host's window.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "testing/wait_until.h"
#include "testing/xvfb_server.h"
#include "tests/install/installed_program.h"

// Xlib's macros (None, Bool, Status) break the test framework's headers, so Xlib comes last.
#include <X11/Xutil.h>

#include "testing/x_screen.h"

namespace veltane::test {
namespace {

constexpr unsigned kHostWidth = 640;
constexpr unsigned kHostHeight = 480;
// A colour the saver never draws, so that any of it left visible is host window the saver did not cover.
constexpr unsigned long kHostColour = 0x2040c0;

std::string HexWindow(Window window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lX", window);
  return text;
}

bool HasHexLetter(Window window) { return HexWindow(window).find_first_of("ABCDEF") != std::string::npos; }

// The host's window is gone by the time some requests reach the server; that is the case under test.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// XScreenSaver writes the window id with capital letters; a host id that has one makes sure they are read.
Window CreateHostWindow(Display* display) {
  constexpr int kMaxAttempts = 32;
  const Window root = DefaultRootWindow(display);
  Window window = 0;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    window = XCreateSimpleWindow(display, root, 0, 0, kHostWidth, kHostHeight, 0, 0, kHostColour);
    if (HasHexLetter(window)) break;
    XDestroyWindow(display, window);
  }
  return window;
}

// What the host's window shows now: pixels still in the host's colour, and pixels lit (neither black nor
// the host's colour), which only the taper and its flame give.
struct WindowContents {
  long hostPixels = 0;
  long litPixels = 0;
};

WindowContents ReadContents(Display* display, Window window) {
  WindowContents contents;
  for (const std::uint32_t pixel : ReadPixels(display, window, {0, 0, kHostWidth, kHostHeight})) {
    if (pixel == kHostColour)
      ++contents.hostPixels;
    else if (pixel != 0)
      ++contents.litPixels;
  }
  return contents;
}

struct HostCase {
  const char* name;
  bool settingsPreview;  // appends --window-id as the settings preview does
  bool stopWithSigterm;  // otherwise the host destroys its window
};

void PrintTo(const HostCase& hostCase, std::ostream* out) { *out << hostCase.name; }

class XScreenSaverHost : public testing::TestWithParam<HostCase> {
 protected:
  static void SetUpTestSuite() { server = new XvfbServer({.width = 1024, .height = 768}); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_FALSE(InstallPrefix().empty()) << "VELTANE_INSTALL_PREFIX names no installed tree";
    ASSERT_TRUE(server->Running()) << server->Error();
    display = XOpenDisplay(server->DisplayName().c_str());
    ASSERT_NE(display, nullptr);
    XSetErrorHandler(IgnoreXError);
    host = CreateHostWindow(display);
    ASSERT_TRUE(HasHexLetter(host)) << HexWindow(host);
    XMapWindow(display, host);
    XSync(display, False);
  }

  void TearDown() override {
    program.reset();
    if (display != nullptr) XCloseDisplay(display);
  }

  void StartAsXScreenSaver(const std::string& command) {
    program = StartThroughShell("exec " + command,
                                {{"DISPLAY", server->DisplayName()},
                                 {"XSCREENSAVER_WINDOW", HexWindow(host)},
                                 {"PATH", InstallPrefix() + "/libexec/xscreensaver:/usr/bin:/bin"}});
    ASSERT_TRUE(program->Started());
  }

  static XvfbServer* server;
  Display* display = nullptr;
  Window host = 0;
  std::unique_ptr<ChildProcess> program;
};

XvfbServer* XScreenSaverHost::server = nullptr;

TEST_P(XScreenSaverHost, DrawsIntoTheHostWindowAndEndsWithIt) {
  const HostCase& hostCase = GetParam();
  std::string command = "veltane p";
  if (hostCase.settingsPreview) command += " --window-id " + HexWindow(host);
  StartAsXScreenSaver(command);

  WindowContents contents;
  const bool drawn = WaitUntil(
      [&] {
        contents = ReadContents(display, host);
        return contents.hostPixels == 0 && contents.litPixels > 0;
      },
      kDrawTimeout);
  ASSERT_TRUE(drawn) << "'" << command << "' left " << contents.hostPixels
                     << " pixels of the host uncovered and lit " << contents.litPixels;
  EXPECT_EQ(Children(display, host).size(), 1u) << "the saver draws in one child window of the host";

  if (hostCase.stopWithSigterm) {
    ASSERT_EQ(kill(program->Pid(), SIGTERM), 0);
    const std::optional<int> code = program->WaitForExit(kExitTimeout);
    ASSERT_FALSE(program->Running()) << "still running after SIGTERM";
    EXPECT_TRUE(program->Signal() == SIGTERM || code == 0)
        << "exit code " << code.value_or(-1) << ", signal " << program->Signal();
    XSync(display, False);
    EXPECT_EQ(Children(display, host).size(), 0u) << "the saver's window outlived it";
  } else {
    XDestroyWindow(display, host);
    XSync(display, False);
    ASSERT_EQ(program->WaitForExit(kExitTimeout), std::optional<int>(0))
        << "still running after its window was destroyed, or ended by signal " << program->Signal();
  }
}

INSTANTIATE_TEST_SUITE_P(Installed, XScreenSaverHost,
                         testing::Values(HostCase{"SaverWindowDestroyed", false, false},
                                         HostCase{"SaverSigterm", false, true},
                                         HostCase{"SettingsPreviewDestroyed", true, false},
                                         HostCase{"SettingsPreviewSigterm", true, true}),
                         [](const testing::TestParamInfo<HostCase>& param) { return param.param.name; });

}  // namespace
}  // namespace veltane::test
