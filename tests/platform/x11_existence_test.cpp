// Whether a window exists: our own windows are answered from the backend's record, which must follow
// every destruction, and foreign windows are asked of the server.
#include "tests/platform/x11_test_fixture.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace veltane::platform {
namespace {

using X11Existence = X11Test;

constexpr std::uint32_t kHostColour = 0x000080;

std::vector<std::uint8_t> WhiteFlame() { return std::vector<std::uint8_t>(212 * 100, 0xFF); }

DibView FlameDib(const std::vector<std::uint8_t>& bits) {
  DibView dib;
  dib.header.biWidth = 70;
  dib.header.biHeight = 100;
  dib.header.biBitCount = 24;
  dib.header.biCompression = BI_RGB;
  dib.bits = bits;
  return dib;
}

// Holds the server grabbed on the test's connection while ask() runs, so that any request of the backend
// that waits for a reply waits for the release. The release comes when ask() returns, or after patience
// so that a backend that does wait is seen to wait rather than hang the test. True when ask() returned first.
template <typename Ask>
bool AnsweredWhileServerGrabbed(Display* display, std::chrono::milliseconds patience, Ask ask) {
  XGrabServer(display);
  XSync(display, False);
  std::atomic<bool> released{false};
  std::promise<void> asked;
  std::thread releaser([&, done = asked.get_future()] {
    done.wait_for(patience);
    released = true;
    XUngrabServer(display);
    XSync(display, False);
  });
  ask();
  const bool first = !released;
  asked.set_value();
  releaser.join();
  return first;
}

TEST_F(X11Existence, OurWindowsAreAnsweredWithoutAskingTheServer) {
  const Window host = MakeHost(0, 0, 100, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 100, 100}, true);
  const HWND gone = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 10, 10}, true);
  ASSERT_NE(child, 0u);
  ASSERT_NE(gone, 0u);
  backend->DestroyNativeWindow(gone);
  bool childExists = false;
  bool goneExists = true;
  EXPECT_TRUE(AnsweredWhileServerGrabbed(display, std::chrono::seconds(10), [&] {
    childExists = backend->NativeWindowExists(child);
    goneExists = backend->NativeWindowExists(gone);
  }));
  EXPECT_TRUE(childExists);
  EXPECT_FALSE(goneExists);
}

TEST_F(X11Existence, OurWindowIsGoneOnceWeDestroyIt) {
  const Window host = MakeHost(0, 0, 100, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 100, 100}, true);
  const HWND topmost = backend->CreateTopmostWindow(Rect{0, 0, 200, 200}, true);
  ASSERT_NE(child, 0u);
  ASSERT_NE(topmost, 0u);
  for (const HWND window : {child, topmost}) {
    EXPECT_TRUE(backend->NativeWindowExists(window));
    backend->DestroyNativeWindow(window);
    EXPECT_FALSE(backend->NativeWindowExists(window));
    // Reading the notices of our own destructions changes nothing, and reports nothing as done to us.
    Drain();
    EXPECT_FALSE(backend->NativeWindowExists(window));
  }
  EXPECT_TRUE(sink.destroyed.empty());
  EXPECT_TRUE(backend->NativeWindowExists(static_cast<HWND>(host)));
}

TEST_F(X11Existence, OurChildIsGoneOnceItsHostsDestructionIsRead) {
  const Window host = MakeHost(0, 0, 100, 100);
  const HWND child = backend->CreateChildWindow(static_cast<HWND>(host), Rect{0, 0, 100, 100}, true);
  ASSERT_NE(child, 0u);
  const HDC dc = backend->GetDC(child);
  ASSERT_NE(dc, 0u);
  Settle();
  XDestroyWindow(display, host);
  // Another client's window takes the host's place on the screen.
  const Window neighbour = MakeHost(0, 0, 100, 100);
  // Until the notice is read the child may still count as ours. Drawing into it then fails on the server,
  // harmlessly, and cannot reach the other client's window.
  const std::vector<std::uint8_t> bits = WhiteFlame();
  if (backend->NativeWindowExists(child)) backend->DrawDib(dc, 0, 0, FlameDib(bits));
  const std::vector<std::uint32_t> pixels = ReadBack(neighbour, 100, 100);
  ASSERT_EQ(pixels.size(), 100u * 100u);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kHostColour), 100 * 100);

  ASSERT_TRUE(PollUntil([&] { return !sink.destroyed.empty(); }));
  EXPECT_EQ(sink.destroyed, std::vector<HWND>{child});
  bool exists = true;
  EXPECT_TRUE(AnsweredWhileServerGrabbed(display, std::chrono::seconds(10),
                                         [&] { exists = backend->NativeWindowExists(child); }));
  EXPECT_FALSE(exists);
  EXPECT_EQ(backend->GetDC(child), 0u);
  backend->DestroyNativeWindow(child);
  EXPECT_FALSE(backend->NativeWindowExists(child));
  EXPECT_TRUE(backend->NativeWindowExists(static_cast<HWND>(neighbour)));
}

TEST_F(X11Existence, ForeignWindowIsAskedOfTheServer) {
  const Window host = MakeHost(0, 0, 100, 100);
  EXPECT_TRUE(backend->NativeWindowExists(static_cast<HWND>(host)));
  XDestroyWindow(display, host);
  XSync(display, False);
  // The backend reads no event in between: only the server can know.
  EXPECT_FALSE(backend->NativeWindowExists(static_cast<HWND>(host)));
  bool exists = false;
  // A backend answering without the server would answer long before the release.
  EXPECT_FALSE(AnsweredWhileServerGrabbed(display, std::chrono::milliseconds(200), [&] {
    exists = backend->NativeWindowExists(static_cast<HWND>(root));
  }));
  EXPECT_TRUE(exists);
}

}  // namespace
}  // namespace veltane::platform
