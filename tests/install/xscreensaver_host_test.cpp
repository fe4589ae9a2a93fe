// Runs the installed program as XScreenSaver runs a display mode: "/bin/sh -c 'exec <command>'" with the
// hack directory first on $PATH and the window to draw into in $XSCREENSAVER_WINDOW, written "0x%lX";
// the settings preview appends " --window-id 0x%X" to the same command. Each run must draw into the
// host's window, and end by itself with code 0 when the host destroys that window, or at once on SIGTERM,
// leaving nothing in the host's window.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "tests/install/installed_program.h"
#include "testing/xvfb_server.h"

// Xlib's macros (None, Bool, Status) break the test framework's headers, so Xlib comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace std::chrono_literals;
using veltane::test::InstallPrefix;
using veltane::test::WaitForExit;
using veltane::test::WaitUntil;

// Bounds on waiting, not measurements: a sanitizer build on a loaded machine starts slowly.
constexpr auto kDrawTimeout = 20s;
constexpr auto kExitTimeout = 10s;

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
  XImage* image = XGetImage(display, window, 0, 0, kHostWidth, kHostHeight, AllPlanes, ZPixmap);
  if (image == nullptr) return contents;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y) & 0xffffff;
      if (pixel == kHostColour) ++contents.hostPixels;
      else if (pixel != 0) ++contents.litPixels;
    }
  }
  XDestroyImage(image);
  return contents;
}

unsigned ChildCount(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
  if (children != nullptr) XFree(children);
  return count;
}

struct HostCase {
  const char* name;
  bool settingsPreview;  // appends --window-id as the settings preview does
  bool stopWithSigterm;  // otherwise the host destroys its window
};

void PrintTo(const HostCase& hostCase, std::ostream* out) { *out << hostCase.name; }

veltane::test::XvfbServer::Options ScreenOptions() {
  veltane::test::XvfbServer::Options options;
  options.width = 1024;
  options.height = 768;
  return options;
}

class XScreenSaverHost : public testing::TestWithParam<HostCase> {
 protected:
  static void SetUpTestSuite() { server = new veltane::test::XvfbServer(ScreenOptions()); }
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
    veltane::test::KillAndReap(pid);
    if (display != nullptr) XCloseDisplay(display);
  }

  void StartAsXScreenSaver(const std::string& command) {
    pid = veltane::test::StartThroughShell(
        "exec " + command, {{"DISPLAY", server->DisplayName()},
                            {"XSCREENSAVER_WINDOW", HexWindow(host)},
                            {"PATH", InstallPrefix() + "/libexec/xscreensaver:/usr/bin:/bin"}});
    ASSERT_GT(pid, 0);
  }

  static veltane::test::XvfbServer* server;
  Display* display = nullptr;
  Window host = 0;
  pid_t pid = -1;
};

veltane::test::XvfbServer* XScreenSaverHost::server = nullptr;

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
  ASSERT_TRUE(drawn) << "'" << command << "' left " << contents.hostPixels << " pixels of the host uncovered and lit "
                     << contents.litPixels;
  EXPECT_EQ(ChildCount(display, host), 1u) << "the saver draws in one child window of the host";

  if (hostCase.stopWithSigterm) {
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    const std::optional<int> status = WaitForExit(pid, kExitTimeout);
    ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
    pid = -1;
    EXPECT_TRUE((WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM) ||
                (WIFEXITED(*status) && WEXITSTATUS(*status) == 0))
        << "wait status " << *status;
    XSync(display, False);
    EXPECT_EQ(ChildCount(display, host), 0u) << "the saver's window outlived it";
  } else {
    XDestroyWindow(display, host);
    XSync(display, False);
    const std::optional<int> status = WaitForExit(pid, kExitTimeout);
    ASSERT_TRUE(status.has_value()) << "still running after its window was destroyed";
    pid = -1;
    ASSERT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Installed, XScreenSaverHost,
                         testing::Values(HostCase{"SaverWindowDestroyed", false, false},
                                         HostCase{"SaverSigterm", false, true},
                                         HostCase{"SettingsPreviewDestroyed", true, false},
                                         HostCase{"SettingsPreviewSigterm", true, true}),
                         [](const testing::TestParamInfo<HostCase>& param) { return param.param.name; });

}  // namespace
