// The same scripted scenario on the in-memory backend and on the X11 backend: a preview window in a host,
// a pointer move, a key, a button, another move and the host destroyed from outside. The window must be
// given the same messages in the same order on both, which keeps the in-memory backend honest.

#include "tests/platform/x11_test_fixture.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/memory/memory_backend.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "tests/platform/scenario_recorder.h"

namespace veltane::platform {
namespace {

constexpr Rect kHostArea{0, 0, 200, 100};

// How one backend plays the host and the user.
class Driver {
 public:
  virtual ~Driver() = default;
  virtual HWND MakeHost() = 0;
  virtual void Move(HWND window, int x, int y) = 0;
  virtual void Key(HWND window) = 0;
  virtual void Click(HWND window) = 0;
  virtual void DestroyHost() = 0;
  // Lets what the steps so far caused reach the backend, so that a pump sees all of it.
  virtual void Settle() = 0;
};

class MemoryDriver : public Driver {
 public:
  MemoryDriver() {
    auto backend = std::make_unique<MemoryBackend>(Size{640, 480});
    m_backend = backend.get();
    SetBackend(std::move(backend));
  }
  HWND MakeHost() override {
    return m_host = m_backend->CreateHostWindow(Size{kHostArea.right, kHostArea.bottom});
  }
  void Move(HWND window, int x, int y) override { m_backend->InjectMotion(window, x, y); }
  void Key(HWND window) override { m_backend->InjectKey(window, 'A'); }
  void Click(HWND window) override { m_backend->InjectButton(window, 1); }
  void DestroyHost() override { m_backend->DestroyFromOutside(m_host); }
  void Settle() override {}

 private:
  MemoryBackend* m_backend = nullptr;
  HWND m_host = 0;
};

class X11Driver : public Driver {
 public:
  explicit X11Driver(const std::string& displayName) : m_display(XOpenDisplay(displayName.c_str())) {
    SetBackend(CreateX11Backend(displayName.c_str()));
    if (m_display == nullptr) return;
    // The pointer starts away from the host, so that nothing is entered before the script says so.
    XTestFakeMotionEvent(m_display, 0, 600, 400, CurrentTime);
    XSync(m_display, False);
  }
  ~X11Driver() override {
    SetBackend(nullptr);
    if (m_display != nullptr) XCloseDisplay(m_display);
  }
  bool Ready() const { return m_display != nullptr && HasBackend(); }

  HWND MakeHost() override {
    m_host = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, kHostArea.right,
                                 kHostArea.bottom, 0, 0, 0);
    XMapWindow(m_display, m_host);
    XSync(m_display, False);
    return static_cast<HWND>(m_host);
  }
  // The host lies at the screen's origin, so window and screen coordinates agree.
  void Move(HWND, int x, int y) override { XTestFakeMotionEvent(m_display, 0, x, y, CurrentTime); }
  void Key(HWND) override {
    const KeyCode a = XKeysymToKeycode(m_display, XK_a);
    XTestFakeKeyEvent(m_display, a, True, CurrentTime);
    XTestFakeKeyEvent(m_display, a, False, CurrentTime);
  }
  void Click(HWND) override {
    XTestFakeButtonEvent(m_display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, Button1, False, CurrentTime);
  }
  void DestroyHost() override { XDestroyWindow(m_display, m_host); }
  void Settle() override {
    XSync(m_display, False);
    Rect ignored;
    CurrentBackend().ClientRect(static_cast<HWND>(DefaultRootWindow(m_display)), &ignored);
  }

 private:
  Display* m_display;
  Window m_host = None;
};

// The messages the window received at each step of the script.
ScenarioSteps RunScenario(Driver& driver, const ScenarioSteps* reference) {
  ScenarioRecorder recorder(reference, [&] { driver.Settle(); });
  RecordingWnd& wnd = recorder.Window();
  const HWND host = driver.MakeHost();
  recorder.Step([&] { EXPECT_TRUE(wnd.CreateEx(0, WS_CHILD | WS_VISIBLE, kHostArea, host)); });
  const HWND window = wnd.GetSafeHwnd();
  recorder.Step([&] { driver.Move(window, 0, 0); });
  recorder.Step([&] { driver.Key(window); });
  recorder.Step([&] { driver.Click(window); });
  recorder.Step([&] { driver.Move(window, 5, 7); });
  recorder.Step([&] { driver.DestroyHost(); });
  EXPECT_EQ(wnd.GetSafeHwnd(), 0u);
  return recorder.Steps();
}

TEST(BackendScenario, BothBackendsGiveTheSameMessagesInTheSameOrder) {
  test::XvfbServer server;
  ASSERT_TRUE(server.Running()) << server.Error();
  ScenarioSteps reference;
  {
    MemoryDriver memory;
    reference = RunScenario(memory, nullptr);
    SetBackend(nullptr);
  }
  const ScenarioSteps expected = {
      {{0, WM_CREATE, 0, 0}, {0, WM_SIZE, 0, MAKELPARAM(200, 100)}, {0, WM_PAINT, 0, 0}},
      {{0, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)}},
      {{0, WM_KEYDOWN, 'A', 1}},
      {{0, WM_LBUTTONDOWN, 1, MAKELPARAM(0, 0)}},
      {{0, WM_MOUSEMOVE, 0, MAKELPARAM(5, 7)}},
      {{0, WM_DESTROY, 0, 0}, {0, WM_NCDESTROY, 0, 0}},
  };
  ASSERT_EQ(reference, expected);
  X11Driver x11(server.DisplayName());
  ASSERT_TRUE(x11.Ready());
  EXPECT_EQ(RunScenario(x11, &reference), reference);
}

}  // namespace
}  // namespace veltane::platform
