// The fixture brings GoogleTest in before Xlib, whose macros would break its headers.
#include "tests/platform/x11_test_fixture.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>

namespace veltane::platform {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

using X11Window = X11Test;

// A screen of a size that no default has, so that the full-screen window must have asked for it.
class X11WideScreen : public X11Test {
 protected:
  static constexpr int kWidth = 1000;
  static constexpr int kHeight = 700;
  X11WideScreen() : X11Test(test::XvfbServer::Options{kWidth, kHeight, 24, {}}) {}
};

Window ParentOf(Display* display, Window window) {
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return None;
  if (children != nullptr) XFree(children);
  return parent;
}

TEST_F(X11Window, ChildCoversTheHostsClientArea) {
  const Window host = MakeHost(30, 40, 320, 200);
  Rect hostRect;
  ASSERT_TRUE(backend->ClientRect(static_cast<HWND>(host), &hostRect));
  EXPECT_EQ(hostRect, (Rect{0, 0, 320, 200}));
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), hostRect, true);
  ASSERT_NE(child, 0u);
  Rect childRect;
  ASSERT_TRUE(backend->ClientRect(child, &childRect));
  EXPECT_EQ(childRect, hostRect);
  EXPECT_EQ(ParentOf(display, child), host);
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(display, child, &attributes), 0);
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.map_state, IsViewable);
  // Shown means exposed: the window's update region becomes invalid.
  EXPECT_TRUE(
      PollUntil([&] { return std::count(sink.invalidated.begin(), sink.invalidated.end(), child) > 0; }));
}

TEST_F(X11Window, HiddenChildStaysUnmapped) {
  const Window host = MakeHost(0, 0, 100, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{10, 10, 60, 60}, false);
  ASSERT_NE(child, 0u);
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(display, child, &attributes), 0);
  EXPECT_EQ(attributes.map_state, IsUnmapped);
  EXPECT_EQ(attributes.x, 10);
  EXPECT_EQ(attributes.width, 50);
}

TEST_F(X11Window, MissingWindowsAreRefusedWithoutHarm) {
  const HWND missing = 0x3FFFFF0;
  EXPECT_EQ(backend->CreateChildWindow(missing, Rect{0, 0, 10, 10}, true), 0u);
  EXPECT_EQ(backend->CreateChildWindow(0, Rect{0, 0, 10, 10}, true), 0u);
  EXPECT_FALSE(backend->NativeWindowExists(missing));
  EXPECT_FALSE(backend->NativeWindowExists(0));
  Rect rect;
  EXPECT_FALSE(backend->ClientRect(missing, &rect));
  EXPECT_EQ(backend->GetDC(missing), 0u);
  backend->DestroyNativeWindow(missing);
  // The process is still here and the connection still works.
  EXPECT_TRUE(backend->NativeWindowExists(static_cast<HWND>(root)));
}

TEST_F(X11Window, DestroyingTheHostReportsOurChildDestroyedFromOutside) {
  const Window host = MakeHost(0, 0, 100, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 100, 100}, true);
  const HWND sibling = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 10, 10}, true);
  ASSERT_NE(child, 0u);
  ASSERT_NE(sibling, 0u);
  backend->DestroyNativeWindow(sibling);
  XDestroyWindow(display, host);
  XSync(display, False);
  ASSERT_TRUE(PollUntil([&] { return !sink.destroyed.empty(); }));
  Drain();
  // Only the window that went without our asking is reported; the one we destroyed ourselves is not.
  EXPECT_EQ(sink.destroyed, std::vector<HWND>{child});
  EXPECT_FALSE(backend->NativeWindowExists(child));
  backend->DestroyNativeWindow(child);
  EXPECT_TRUE(backend->NativeWindowExists(static_cast<HWND>(root)));
}

TEST_F(X11WideScreen, FullScreenWindowCoversThePrimaryScreenAboveOthersWithoutAPointer) {
  EXPECT_EQ(backend->ScreenSize(), (Size{kWidth, kHeight}));
  const Window other = MakeHost(0, 0, 50, 50);
  XTestFakeMotionEvent(display, 0, 300, 200, CurrentTime);
  XSync(display, False);
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, kWidth, kHeight}, true);
  ASSERT_NE(window, 0u);
  XWindowAttributes attributes;
  ASSERT_NE(XGetWindowAttributes(display, window, &attributes), 0);
  EXPECT_EQ(
      (Rect{attributes.x, attributes.y, attributes.x + attributes.width, attributes.y + attributes.height}),
      (Rect{0, 0, kWidth, kHeight}));
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_TRUE(attributes.override_redirect);
  // Topmost among the root's children: the last in stacking order.
  const std::vector<Window> stack = test::Children(display, root);
  ASSERT_FALSE(stack.empty());
  EXPECT_EQ(stack.back(), window);
  EXPECT_NE(std::find(stack.begin(), stack.end(), other), stack.end());

  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* value = nullptr;
  const Atom bypass = XInternAtom(display, "_NET_WM_BYPASS_COMPOSITOR", False);
  ASSERT_EQ(XGetWindowProperty(display, window, bypass, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &value),
            Success);
  ASSERT_EQ(items, 1u);
  EXPECT_EQ(*reinterpret_cast<long*>(value), 1);
  XFree(value);

  // The pointer is over our window: the cursor the server shows has no visible pixel.
  XFixesCursorImage* cursor = XFixesGetCursorImage(display);
  ASSERT_NE(cursor, nullptr);
  const unsigned long* pixels = cursor->pixels;
  const std::size_t size = static_cast<std::size_t>(cursor->width) * cursor->height;
  EXPECT_TRUE(std::all_of(pixels, pixels + size, [](unsigned long argb) { return (argb >> 24) == 0; }));
  XFree(cursor);
}

TEST_F(X11Window, FullScreenWindowHoldsKeyboardAndPointerAndGivesThemBack) {
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, kScreenWidth, kScreenHeight}, true);
  ASSERT_NE(window, 0u);
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  EXPECT_EQ(focus, window);
  EXPECT_EQ(XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), AlreadyGrabbed);
  EXPECT_EQ(XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
            AlreadyGrabbed);
  backend->DestroyNativeWindow(window);
  SyncBackend();
  EXPECT_FALSE(backend->NativeWindowExists(window));
  EXPECT_EQ(XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  EXPECT_EQ(XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
            GrabSuccess);
}

TEST_F(X11Window, FullScreenWindowComesUpWhileAnotherClientKeepsItsGrab) {
  ASSERT_EQ(XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  XSync(display, False);
  // The backend waits for the grab a while, then goes on without it rather than hang.
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, kScreenWidth, kScreenHeight}, true);
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(backend->NativeWindowExists(window));
  EXPECT_EQ(XGrabPointer(display, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
            AlreadyGrabbed);
}

TEST_F(X11Window, ResizeByTheHostArrivesAsSizeMessage) {
  const Window host = MakeHost(0, 0, 200, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 200, 100}, true);
  ASSERT_NE(child, 0u);
  Settle();
  XMoveWindow(display, child, 5, 5);
  XResizeWindow(display, child, 120, 80);
  XSync(display, False);
  ASSERT_TRUE(PollUntil([&] { return !sink.input.empty(); }));
  Drain();
  // Moving alone says nothing; the new size is reported once.
  EXPECT_EQ(sink.input, (std::vector<Msg>{Msg{child, WM_SIZE, 0, MAKELPARAM(120, 80)}}));
}

}  // namespace
}  // namespace veltane::platform
