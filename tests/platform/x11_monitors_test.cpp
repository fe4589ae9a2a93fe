// The full-screen window among RandR monitors that the test declares on a private Xvfb: placed on the
// primary one, with covers on the others that follow the layout and go with the window.

// The fixture brings GoogleTest in before Xlib, whose macros would break its headers.
#include "tests/platform/x11_test_fixture.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <functional>
#include <string>

namespace veltane::platform {
namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;
constexpr Rect kLeft{0, 0, 600, 800};
constexpr Rect kPrimary{600, 0, 1200, 800};

class X11Monitors : public X11Test {
 protected:
  X11Monitors() : X11Test(test::XvfbServer::Options{kWidth, kHeight, 24, {}, {}}) {}

  // Switches the server's one output off, so that only the monitors declared here remain.
  void SetUp() override {
    X11Test::SetUp();
    XRRScreenResources* resources = XRRGetScreenResources(display, root);
    ASSERT_NE(resources, nullptr);
    ASSERT_GT(resources->ncrtc, 0);
    XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0, nullptr,
                     0);
    XRRFreeScreenResources(resources);
    Declare("LEFT", kLeft, false);
    Declare("PRIMARY", kPrimary, true);
  }

  // A monitor of the name that there is already keeps its place, so it is removed first.
  void Declare(const char* name, const Rect& rect, bool primary) {
    Remove(name);
    XRRMonitorInfo* monitor = XRRAllocateMonitor(display, 0);
    monitor->name = XInternAtom(display, name, False);
    monitor->primary = primary ? True : False;
    monitor->x = rect.left;
    monitor->y = rect.top;
    monitor->width = rect.Width();
    monitor->height = rect.Height();
    monitor->mwidth = rect.Width() / 4;
    monitor->mheight = rect.Height() / 4;
    XRRSetMonitor(display, root, monitor);
    XRRFreeMonitors(monitor);
    XSync(display, False);
  }

  void Remove(const char* name) {
    XRRDeleteMonitor(display, root, XInternAtom(display, name, False));
    XSync(display, False);
  }

  HWND ShowFullScreen() {
    const Size screen = backend->ScreenSize();
    return backend->CreateTopmostWindow(Rect{0, 0, screen.width, screen.height}, true);
  }

  // Where our covers lie: the shown override-redirect windows of the root but the saver's own.
  std::vector<Rect> Covers(HWND saver) {
    SyncBackend();
    std::vector<Rect> covers;
    for (const Window window : test::Children(display, root)) {
      XWindowAttributes a;
      if (window == saver || XGetWindowAttributes(display, window, &a) == 0 || !a.override_redirect ||
          a.map_state != IsViewable) {
        continue;
      }
      covers.push_back(Rect{a.x, a.y, a.x + a.width, a.y + a.height});
    }
    std::sort(covers.begin(), covers.end(), [](const Rect& a, const Rect& b) {
      return a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    return covers;
  }
};

TEST_F(X11Monitors, CoversFollowAChangedLayoutWithinASecondAndTheWindowStays) {
  const HWND saver = ShowFullScreen();
  ASSERT_NE(saver, 0u);
  struct Change {
    const char* name;
    std::function<void()> apply;
    std::vector<Rect> covers;
  };
  const Rect shorter{0, 0, 600, 400};
  const Rect below{0, 400, 600, 800};
  const std::vector<Change> changes{
      {"as declared", [] {}, {kLeft}},
      {"resized", [&] { Declare("LEFT", shorter, false); }, {shorter}},
      {"plugged in", [&] { Declare("BELOW", below, false); }, {shorter, below}},
      {"unplugged",
       [&] {
         Remove("LEFT");
         Remove("BELOW");
       },
       {}},
      {"primary grown",
       [&] {
         Declare("PRIMARY", Rect{0, 0, 1200, 800}, true);
       },
       {Rect{0, 0, 1200, 800}}},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    change.apply();
    const auto changed = std::chrono::steady_clock::now();
    EXPECT_TRUE(PollUntil([&] { return Covers(saver) == change.covers; }));
    EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::seconds(1));
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(display, saver, &attributes), 0);
    EXPECT_EQ(
        (Rect{attributes.x, attributes.y, attributes.x + attributes.width, attributes.y + attributes.height}),
        kPrimary);
  }
  EXPECT_EQ(test::Children(display, root).back(), saver);

  // The covers go with the window, even when another client destroys it.
  Declare("LEFT", kLeft, false);
  ASSERT_TRUE(PollUntil([&] { return Covers(saver).size() == 2; }));
  XDestroyWindow(display, saver);
  XSync(display, False);
  ASSERT_TRUE(PollUntil([&] { return !sink.destroyed.empty(); }));
  EXPECT_TRUE(Covers(saver).empty());
}

}  // namespace
}  // namespace veltane::platform
