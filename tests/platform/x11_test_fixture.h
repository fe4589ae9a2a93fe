#pragma once
// A fixture for tests of the X11 backend: a private Xvfb server, the backend connected to it, and a second,
// plain Xlib connection that plays the host, the other clients and the user.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/x11/x11_backend.h"
#include "testing/x_screen.h"
#include "testing/xvfb_server.h"
#include "tests/platform/recording.h"

namespace veltane::platform {

class X11Test : public ::testing::Test {
 protected:
  explicit X11Test(test::XvfbServer::Options options = {}) : m_server(options) {}

  void SetUp() override {
    ASSERT_TRUE(m_server.Running()) << m_server.Error();
    backend = CreateX11Backend(m_server.DisplayName().c_str());
    ASSERT_NE(backend, nullptr);
    display = XOpenDisplay(m_server.DisplayName().c_str());
    ASSERT_NE(display, nullptr);
    root = DefaultRootWindow(display);
  }

  void TearDown() override {
    backend.reset();
    if (display != nullptr) XCloseDisplay(display);
  }

  // A plain window of another client, as a preview host makes it.
  Window MakeHost(int x, int y, int width, int height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x000080;
    attributes.override_redirect = True;
    const Window host = XCreateWindow(display, root, x, y, static_cast<unsigned>(width),
                                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(display, host);
    XSync(display, False);
    return host;
  }

  // Makes sure the server has handled everything the backend sent, by a round trip on its connection.
  void SyncBackend() {
    Rect ignored;
    backend->ClientRect(static_cast<HWND>(root), &ignored);
  }

  // The window's pixels as 0x00RRGGBB, row by row.
  std::vector<std::uint32_t> ReadBack(Window window, int width, int height) {
    SyncBackend();
    return test::ReadPixels(display, window, {0, 0, width, height});
  }

  // Moves events into the sink until done() holds; false if that takes longer than any sane server needs.
  template <typename Done>
  bool PollUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      XSync(display, False);
      backend->PollEvents(sink);
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Moves every event caused so far into the sink.
  void Drain() {
    XSync(display, False);
    SyncBackend();
    backend->PollEvents(sink);
  }

  // Lets every event caused so far arrive, then drops what the sink holds.
  void Settle() {
    Drain();
    sink = RecordingSink{};
  }

  test::XvfbServer m_server;
  std::unique_ptr<Backend> backend;
  Display* display = nullptr;
  Window root = None;
  RecordingSink sink;
};

}  // namespace veltane::platform
