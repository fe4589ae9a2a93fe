// The full-screen window among RandR monitors that the test declares on a private Xvfb: placed on the
// primary one, black covers on the others that follow the layout, all kept above other clients' windows.

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
    XRRSetCrtcConfig(display, resources, resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
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

  // The root's children from the bottom of the stack to the top.
  std::vector<Window> Stack() {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> stack;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0) stack.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return stack;
  }

  // Where our covers lie: the shown override-redirect windows of the root that are not the saver's own
  // window nor one that the test made.
  std::vector<Rect> Covers(HWND saver) {
    SyncBackend();
    std::vector<Rect> covers;
    for (const Window window : Stack()) {
      XWindowAttributes a;
      if (window == saver || std::count(m_foreign.begin(), m_foreign.end(), window) > 0 ||
          XGetWindowAttributes(display, window, &a) == 0 || !a.override_redirect || a.map_state != IsViewable) {
        continue;
      }
      covers.push_back(Rect{a.x, a.y, a.x + a.width, a.y + a.height});
    }
    std::sort(covers.begin(), covers.end(),
              [](const Rect& a, const Rect& b) { return a.left != b.left ? a.left < b.left : a.top < b.top; });
    return covers;
  }

  // A white window of another client over the whole screen.
  Window ShowWhite(bool overrideRedirect, bool raised) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xFFFFFF;
    attributes.override_redirect = overrideRedirect ? True : False;
    const Window window = XCreateWindow(display, root, 0, 0, kWidth, kHeight, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    m_foreign.push_back(window);
    if (raised) {
      XMapRaised(display, window);
    } else {
      XMapWindow(display, window);
    }
    XSync(display, False);
    return window;
  }

  std::vector<Window> m_foreign;
};

TEST_F(X11Monitors, WindowTakesThePrimaryMonitorAndEveryOtherGetsABlackCover) {
  ShowWhite(false, true);
  EXPECT_EQ(backend->ScreenSize(), (Size{600, 800}));
  const HWND saver = ShowFullScreen();
  ASSERT_NE(saver, 0u);
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(display, saver, &attributes), 0);
  EXPECT_EQ((Rect{attributes.x, attributes.y, attributes.x + attributes.width, attributes.y + attributes.height}),
            kPrimary);
  EXPECT_EQ(Covers(saver), std::vector<Rect>{kLeft});
  const std::vector<std::uint32_t> left = ReadBack(root, kLeft.Width(), kLeft.Height());
  EXPECT_EQ(std::count(left.begin(), left.end(), 0u), kLeft.Width() * kLeft.Height());
  // The saver's window on top, its cover just below it.
  const std::vector<Window> stack = Stack();
  ASSERT_GE(stack.size(), 2u);
  EXPECT_EQ(stack.back(), saver);
}

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
      {"resized", [&] { Declare("LEFT", shorter, false); }, {shorter}},
      {"plugged in", [&] { Declare("BELOW", below, false); }, {shorter, below}},
      {"unplugged", [&] { Remove("LEFT"); Remove("BELOW"); }, {}},
      {"primary grown", [&] { Declare("PRIMARY", Rect{0, 0, 1200, 800}, true); }, {Rect{0, 0, 1200, 800}}},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    change.apply();
    const auto changed = std::chrono::steady_clock::now();
    EXPECT_TRUE(PollUntil([&] { return Covers(saver) == change.covers; }));

    EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::seconds(1));
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(display, saver, &attributes), 0);
    EXPECT_EQ((Rect{attributes.x, attributes.y, attributes.x + attributes.width, attributes.y + attributes.height}),
              kPrimary);
  }
  EXPECT_EQ(Stack().back(), saver);
}

TEST_F(X11Monitors, WindowShownOrRaisedAboveIsPutBelowAtTheNextPoll) {
  const HWND saver = ShowFullScreen();
  ASSERT_NE(saver, 0u);
  const Window earlier = ShowWhite(false, false);
  Drain();
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const std::vector<Case> cases{
      {"normal window shown", [&] { ShowWhite(false, false); }},
      {"override-redirect window shown raised", [&] { ShowWhite(true, true); }},
      {"window raised", [&] { XRaiseWindow(display, earlier); }},
      {"window stacked above the cover", [&] {
         XWindowChanges changes{};
         changes.sibling = Stack().front() == earlier ? Stack()[1] : Stack().front();
         changes.stack_mode = Above;
         XConfigureWindow(display, earlier, CWSibling | CWStackMode, &changes);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    Drain();
    const std::vector<Window> stack = Stack();
    ASSERT_GE(stack.size(), 2u);
    EXPECT_EQ(stack.back(), saver);
    EXPECT_EQ(Covers(saver), std::vector<Rect>{kLeft});
    // The cover lies directly below the saver's window, above every window of the test.
    const Window cover = stack[stack.size() - 2];
    EXPECT_EQ(std::count(m_foreign.begin(), m_foreign.end(), cover), 0);
  }
}

TEST_F(X11Monitors, CoversGoWithTheWindowHoweverItGoes) {
  for (const bool fromOutside : {false, true}) {
    SCOPED_TRACE(fromOutside ? "destroyed by another client" : "destroyed by us");
    const HWND saver = ShowFullScreen();
    ASSERT_NE(saver, 0u);
    ASSERT_EQ(Covers(saver).size(), 1u);
    if (fromOutside) {
      XDestroyWindow(display, saver);
      XSync(display, False);
      ASSERT_TRUE(PollUntil([&] { return !sink.destroyed.empty(); }));
    } else {
      backend->DestroyNativeWindow(saver);
    }
    EXPECT_TRUE(Covers(saver).empty());
  }
}

}  // namespace
}  // namespace veltane::platform
