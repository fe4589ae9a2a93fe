// The same scripted scenario on the in-memory backend and on the Wayland backend, on a headless sway: a
// full-screen window, a pointer move, keys typed by keyboards that then go away (a letter, a letter with
// Alt, Shift by itself), a button, another move, and the compositor closing the window. The window must be
// given the same messages in the same order. Headless sway 1.7 can neither unplug nor disable an output,
// and a layer surface has no close request, so the layer-shell run leaves out the last step and the
// xdg-shell run takes it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/memory/memory_backend.h"
#include "platform/wayland/wayland_backend.h"
#include "testing/sway_server.h"
#include "tests/platform/scenario_recorder.h"

namespace veltane::platform {
namespace {

constexpr Rect kScreen{0, 0, 640, 480};

// How one backend plays the compositor and the user.
class Driver {
 public:
  virtual ~Driver() = default;
  virtual void Move(HWND window, int x, int y) = 0;
  // A letter; with alt, the letter X typed with Alt held; with shift, the left Shift key by itself.
  enum class Typing { Letter, AltLetter, ShiftAlone };
  virtual void Key(HWND window, Typing typing) = 0;
  virtual void Click(HWND window) = 0;
  virtual void CloseFromOutside(HWND window) = 0;
};

class MemoryDriver : public Driver {
 public:
  MemoryDriver() {
    auto backend = std::make_unique<MemoryBackend>(Size{kScreen.right, kScreen.bottom});
    m_backend = backend.get();
    SetBackend(std::move(backend));
  }
  void Move(HWND window, int x, int y) override { m_backend->InjectMotion(window, x, y); }
  // The keyboard that typed the key goes, and the focus with it.
  void Key(HWND window, Typing typing) override {
    switch (typing) {
      case Typing::Letter: m_backend->InjectKey(window, 'A'); break;
      case Typing::AltLetter: m_backend->InjectKey(window, 'X', true); break;
      case Typing::ShiftAlone: m_backend->InjectKey(window, 0x10); break;
    }
    m_backend->InjectFocusLoss(window);
  }
  void Click(HWND window) override { m_backend->InjectButton(window, 1); }
  void CloseFromOutside(HWND window) override { m_backend->DestroyFromOutside(window); }

 private:
  MemoryBackend* m_backend = nullptr;
};

class WaylandDriver : public Driver {
 public:
  explicit WaylandDriver(bool layerShell) {
    if (!m_sway.Running()) return;
    m_sway.ExportClientEnvironment();
    WaylandConnection connection = ConnectWayland({.ignoreLayerShell = !layerShell});
    if (connection.backend) SetBackend(std::move(connection.backend));
  }
  ~WaylandDriver() override {
    SetBackend(nullptr);
    test::SwayServer::FinishTool(m_typing);
  }
  bool Ready() const { return m_sway.Running() && HasBackend(); }
  const std::string& Error() const { return m_sway.Error(); }

  // The seat has no pointer until the first move, so that none enters the window when it appears.
  void Move(HWND, int x, int y) override {
    if (!m_pointer) m_pointer = m_sway.AddPointer();
    m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "set", std::to_string(x), std::to_string(y)});
  }
  // wtype runs while the window pumps, which must bind the new keyboard before the key comes.
  void Key(HWND, Typing typing) override {
    test::SwayServer::FinishTool(m_typing);
    switch (typing) {
      case Typing::Letter: m_typing = m_sway.StartTool({"wtype", "-s", "300", "a"}); break;
      case Typing::AltLetter:
        m_typing = m_sway.StartTool({"wtype", "-s", "300", "-M", "alt", "x", "-m", "alt"});
        break;
      case Typing::ShiftAlone:
        m_typing = m_sway.StartTool({"wtype", "-s", "300", "-P", "Shift_L", "-p", "Shift_L"});
        break;
    }
  }
  void Click(HWND) override {
    m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "press", "button1"});
    m_sway.RunTool({"swaymsg", "seat", "-", "cursor", "release", "button1"});
  }
  void CloseFromOutside(HWND) override { m_sway.RunTool({"swaymsg", "kill"}); }

 private:
  test::SwayServer m_sway;
  bool m_pointer = false;
  std::unique_ptr<test::ChildProcess> m_typing;
};

ScenarioSteps RunScenario(Driver& driver, const ScenarioSteps* reference, bool closeFromOutside) {
  ScenarioRecorder recorder(reference, [] {});
  RecordingWnd& wnd = recorder.Window();
  recorder.Step([&] { EXPECT_TRUE(wnd.CreateEx(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, kScreen, 0)); });
  const HWND window = wnd.GetSafeHwnd();
  recorder.Step([&] { driver.Move(window, 0, 0); });
  recorder.Step([&] { driver.Key(window, Driver::Typing::Letter); });
  recorder.Step([&] { driver.Key(window, Driver::Typing::AltLetter); });
  recorder.Step([&] { driver.Key(window, Driver::Typing::ShiftAlone); });
  recorder.Step([&] { driver.Click(window); });
  recorder.Step([&] { driver.Move(window, 5, 7); });
  if (!closeFromOutside) return recorder.Steps();
  recorder.Step([&] { driver.CloseFromOutside(window); });
  EXPECT_EQ(wnd.GetSafeHwnd(), 0u);
  return recorder.Steps();
}

TEST(WaylandScenario, BothShellsGiveTheSameMessagesAsTheInMemoryBackend) {
  ScenarioSteps reference;
  {
    MemoryDriver memory;
    reference = RunScenario(memory, nullptr, true);
    SetBackend(nullptr);
  }
  const ScenarioSteps expected = {
      {{0, WM_CREATE, 0, 0}, {0, WM_SIZE, 0, MAKELPARAM(640, 480)}, {0, WM_PAINT, 0, 0}},
      {{0, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0)}},
      {{0, WM_KEYDOWN, 'A', 1},
       {0, WM_NCACTIVATE, 0, 0},
       {0, WM_ACTIVATE, WA_INACTIVE, 0},
       {0, WM_ACTIVATEAPP, 0, 0}},
      {{0, WM_SYSKEYDOWN, 'X', 1 | KEY_CONTEXT_ALT},
       {0, WM_NCACTIVATE, 0, 0},
       {0, WM_ACTIVATE, WA_INACTIVE, 0},
       {0, WM_ACTIVATEAPP, 0, 0}},
      {{0, WM_KEYDOWN, 0x10, 1},
       {0, WM_NCACTIVATE, 0, 0},
       {0, WM_ACTIVATE, WA_INACTIVE, 0},
       {0, WM_ACTIVATEAPP, 0, 0}},
      {{0, WM_LBUTTONDOWN, 1, MAKELPARAM(0, 0)}},
      {{0, WM_MOUSEMOVE, 0, MAKELPARAM(5, 7)}},
      {{0, WM_DESTROY, 0, 0}, {0, WM_NCDESTROY, 0, 0}},
  };
  ASSERT_EQ(reference, expected);
  {
    SCOPED_TRACE("xdg-shell");
    WaylandDriver wayland(false);
    ASSERT_TRUE(wayland.Ready()) << wayland.Error();
    EXPECT_EQ(RunScenario(wayland, &reference, true), reference);
  }
  {
    SCOPED_TRACE("layer shell");
    WaylandDriver wayland(true);
    ASSERT_TRUE(wayland.Ready()) << wayland.Error();
    const ScenarioSteps withoutClose(reference.begin(), reference.end() - 1);
    EXPECT_EQ(RunScenario(wayland, &withoutClose, false), withoutClose);
  }
}

}  // namespace
}  // namespace veltane::platform
