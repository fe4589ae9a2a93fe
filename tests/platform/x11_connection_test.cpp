// The fixture brings GoogleTest in before Xlib, whose macros would break its headers.
#include "tests/platform/x11_test_fixture.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace veltane::platform {
namespace {

using X11Connection = X11Test;
using X11ConnectionDeathTest = X11Test;

TEST_F(X11Connection, WaitEventsReturnsOnceSomethingHasBeenReported) {
  XTestFakeMotionEvent(display, 0, 10, 10, CurrentTime);
  XSync(display, False);
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, 640, 480}, true);
  ASSERT_NE(window, 0u);
  Settle();
  // Events that report nothing (a window of another client mapped, the pointer moved back to where it
  // was reported) do not end the wait; the key does.
  MakeHost(0, 0, 10, 10);
  XTestFakeMotionEvent(display, 0, 10, 10, CurrentTime);
  const KeyCode key = XKeysymToKeycode(display, XK_space);
  XTestFakeKeyEvent(display, key, True, CurrentTime);
  XTestFakeKeyEvent(display, key, False, CurrentTime);
  XSync(display, False);
  backend->WaitEvents(sink, -1);
  while (sink.input.empty()) backend->WaitEvents(sink, -1);
  EXPECT_EQ(sink.input, (std::vector<Msg>{Msg{window, WM_KEYDOWN, 0x20, 1}}));
}

// The display going away leaves the saver nothing to do: the process ends at once with exit code 1 and says
// why, both when it waits for events and when it draws and polls, as the run loop does.
TEST_F(X11ConnectionDeathTest, LostDisplayEndsTheProcessWithCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, 640, 480}, true);
  ASSERT_NE(window, 0u);
  EXPECT_EXIT(
      {
        m_server.Stop();
        for (;;) backend->WaitEvents(sink, -1);
      },
      testing::ExitedWithCode(1), "^veltane: the X11 connection broke\n$");
}

TEST_F(X11ConnectionDeathTest, LostDisplayWhileDrawingEndsTheProcessWithCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const HWND window = backend->CreateTopmostWindow(Rect{0, 0, 640, 480}, true);
  ASSERT_NE(window, 0u);
  const std::vector<std::uint8_t> bits(212 * 100, 0x80);
  DibView dib;
  dib.header.biWidth = 70;
  dib.header.biHeight = 100;
  dib.header.biBitCount = 24;
  dib.bits = bits;
  EXPECT_EXIT(
      {
        m_server.Stop();
        for (;;) {
          backend->DrawDib(backend->GetDC(window), 0, 0, dib);
          backend->PollEvents(sink);
        }
      },
      testing::ExitedWithCode(1), "^veltane: the X11 connection broke\n$");
}

}  // namespace
}  // namespace veltane::platform
