// The fixture brings GoogleTest in before Xlib, whose macros would break its headers.
#include "tests/platform/x11_test_fixture.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

namespace veltane::platform {
namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

bool IsActivation(const Msg& msg) {
  return msg.message == WM_NCACTIVATE || msg.message == WM_ACTIVATE || msg.message == WM_ACTIVATEAPP;
}

class X11Input : public X11Test {
 protected:
  void Key(KeySym sym, bool press) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), press ? True : False, CurrentTime);
  }
  void Tap(KeySym sym) {
    Key(sym, true);
    Key(sym, false);
  }
  void Click(unsigned button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
  }
  void MoveTo(int x, int y) { XTestFakeMotionEvent(display, 0, x, y, CurrentTime); }

  // Waits for count messages, then for anything that might follow them.
  std::vector<Msg> Collect(std::size_t count) {
    XSync(display, False);
    EXPECT_TRUE(PollUntil([&] { return sink.input.size() >= count; })) << "got " << sink.input.size();
    Drain();
    return sink.input;
  }

  HWND MakeFullScreen() {
    const HWND window = backend->CreateTopmostWindow(Rect{0, 0, kScreenWidth, kScreenHeight}, true);
    EXPECT_NE(window, 0u);
    return window;
  }
};

TEST_F(X11Input, WindowAppearingUnderThePointerIsToldWhereItIs) {
  MoveTo(123, 45);
  XSync(display, False);
  const HWND window = MakeFullScreen();
  const std::vector<Msg> got = Collect(1);
  const std::vector<Msg> moves = {Msg{window, WM_MOUSEMOVE, 0, MAKELPARAM(123, 45)}};
  EXPECT_EQ(got, moves);
}

TEST_F(X11Input, KeysButtonsAndMotionArriveAsTheirMessages) {
  MoveTo(100, 100);
  const HWND window = MakeFullScreen();
  Settle();
  MoveTo(101, 100);
  Tap(XK_a);
  Tap(XK_Escape);
  Key(XK_Shift_L, true);
  Click(Button1);
  Key(XK_Shift_L, false);
  Key(XK_Alt_L, true);
  Tap(XK_x);
  Key(XK_Alt_L, false);
  Click(Button2);
  Click(Button3);
  Click(4);
  Click(5);
  MoveTo(101, 107);
  const std::vector<Msg> expected = {
      {window, WM_MOUSEMOVE, 0, MAKELPARAM(101, 100)},
      {window, WM_KEYDOWN, 'A', 1},
      {window, WM_KEYDOWN, 0x1B, 1},
      {window, WM_KEYDOWN, 0x10, 1},
      {window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(101, 100)},
      {window, WM_SYSKEYDOWN, 0x12, 1 | KEY_CONTEXT_ALT},
      {window, WM_SYSKEYDOWN, 'X', 1 | KEY_CONTEXT_ALT},
      {window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(101, 100)},
      {window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(101, 100)},
      {window, WM_MOUSEWHEEL, WPARAM{120} << 16, MAKELPARAM(101, 100)},
      {window, WM_MOUSEWHEEL, WPARAM{0xFF88} << 16, MAKELPARAM(101, 100)},
      {window, WM_MOUSEMOVE, 0, MAKELPARAM(101, 107)},
  };
  EXPECT_EQ(Collect(expected.size()), expected);
}

TEST_F(X11Input, PreviewChildGetsPositionsInItsOwnCoordinates) {
  MoveTo(600, 400);
  const Window host = MakeHost(50, 60, 200, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 200, 100}, true);
  ASSERT_NE(child, 0u);
  Settle();
  MoveTo(70, 90);
  Click(Button1);
  const std::vector<Msg> expected = {
      {child, WM_MOUSEMOVE, 0, MAKELPARAM(20, 30)},
      {child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30)},
  };
  EXPECT_EQ(Collect(expected.size()), expected);
}

TEST_F(X11Input, FocusTakenByAnotherClientDeactivatesButOurOwnGrabDoesNot) {
  const HWND window = MakeFullScreen();
  // Taking the focus and grabbing the keyboard moved the focus about; none of that is a deactivation.
  Drain();
  EXPECT_TRUE(std::none_of(sink.input.begin(), sink.input.end(), IsActivation));
  sink = RecordingSink{};

  const Window other = MakeHost(10, 10, 50, 50);
  XSetInputFocus(display, other, RevertToParent, CurrentTime);
  const std::vector<Msg> expected = {
      {window, WM_NCACTIVATE, 0, 0},
      {window, WM_ACTIVATE, WA_INACTIVE, 0},
      {window, WM_ACTIVATEAPP, 0, 0},
  };
  EXPECT_EQ(Collect(expected.size()), expected);
}

TEST_F(X11Input, NothingArrivesForAWindowThatWeDestroyed) {
  MoveTo(10, 10);
  const HWND window = MakeFullScreen();
  Settle();
  backend->DestroyNativeWindow(window);
  Tap(XK_a);
  Click(Button1);
  MoveTo(20, 20);
  Drain();
  EXPECT_TRUE(sink.input.empty());
  EXPECT_TRUE(sink.destroyed.empty());
}

}  // namespace
}  // namespace veltane::platform
