#include <gtest/gtest.h>

#include <string>

#include "memory_fixture.h"
#include "platform/app.h"

namespace veltane::platform {
namespace {

using WindowTest = MemoryFixture;

// Logs the destruction steps, checks what holds at the hook, and deletes itself there when asked to.
class LoggingWnd : public RecordingWnd {
 public:
  LoggingWnd(std::vector<std::string>* log, bool autoDelete) : m_log(log), m_autoDelete(autoDelete) {}
  ~LoggingWnd() override { m_log->push_back("deleted"); }

  LRESULT OnDestroy() override {
    m_log->push_back("WM_DESTROY");
    return Default();
  }
  LRESULT OnClose() override {
    m_log->push_back("WM_CLOSE");
    return Default();
  }
  LRESULT OnCreate() override {
    hwndAtCreation = GetSafeHwnd();
    return failCreate ? -1 : Default();
  }

  bool failCreate = false;
  HWND hwndAtCreation = 0;

 protected:
  void PostNcDestroy() override {
    if (!received.empty()) m_log->push_back(received.back().message == WM_NCDESTROY ? "WM_NCDESTROY" : "?");
    m_log->push_back(GetSafeHwnd() == 0 && Wnd::FromHandlePermanent(hwndAtCreation) == nullptr &&
                             !IsWindow(hwndAtCreation)
                         ? "hook, detached and gone"
                         : "hook, still bound");
    if (m_autoDelete) DeleteWhenIdle();
  }

 private:
  std::vector<std::string>* m_log;
  bool m_autoDelete;
};

TEST_F(WindowTest, DestructionSendsDestroyThenNcDestroyThenRunsTheHookLast) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  std::vector<std::string> log;
  auto* wnd = new LoggingWnd(&log, true);
  ASSERT_TRUE(wnd->CreateChildOf(host));
  wnd->PostMessage(WM_CLOSE, 0, 0);
  Msg msg;
  ASSERT_TRUE(GetMessage(&msg));
  DispatchMessage(msg);
  const std::vector<std::string> expected{"WM_CLOSE", "WM_DESTROY", "WM_NCDESTROY", "hook, detached and gone",
                                          "deleted"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(m_backend->WindowCount(), 1u);
}

TEST_F(WindowTest, OnlyTheMainWindowPostsTheQuitMessage) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  WinApp app;
  RecordingWnd mainWnd;
  RecordingWnd other;
  ASSERT_TRUE(mainWnd.CreateChildOf(host, false));
  ASSERT_TRUE(other.CreateChildOf(host, false));
  app.m_pMainWnd = &mainWnd;

  EXPECT_TRUE(other.DestroyWindow());
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
  EXPECT_EQ(app.m_pMainWnd, &mainWnd);

  EXPECT_TRUE(mainWnd.DestroyWindow());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  ASSERT_TRUE(PeekMessage(&msg, true));
  EXPECT_EQ(msg, (Msg{0, WM_QUIT, 0, 0}));
}

TEST_F(WindowTest, DestroyWindowDuringDestructionDoesNothing) {
  class Reentrant : public RecordingWnd {
    LRESULT OnDestroy() override {
      secondResult = DestroyWindow();
      return Default();
    }

   public:
    bool secondResult = true;
  };
  const HWND host = m_backend->CreateHostWindow({100, 100});
  Reentrant wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  wnd.received.clear();
  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_FALSE(wnd.secondResult);
  EXPECT_EQ(wnd.Messages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(wnd.DestroyWindow());
}

TEST_F(WindowTest, DerivedHandlerIsConsultedBeforeTheBase) {
  class SwallowsClose : public RecordingWnd {
    LRESULT OnSysCommand(WPARAM command, LPARAM) override { return command == SC_CLOSE ? 0 : Default(); }
  };
  const HWND host = m_backend->CreateHostWindow({100, 100});
  SwallowsClose wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  Msg msg;
  EXPECT_EQ(SendMessage(wnd.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  EXPECT_FALSE(PeekMessage(&msg, false));
  wnd.received.clear();
  SendMessage(wnd.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE | 3, 0);
  EXPECT_EQ(wnd.Messages(), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(PeekMessage(&msg, false));
}

TEST_F(WindowTest, DefaultProcessing) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  const HWND hwnd = wnd.GetSafeHwnd();
  Msg msg;

  EXPECT_EQ(SendMessage(hwnd, WM_SETCURSOR, hwnd, 1), TRUE);
  EXPECT_NE(m_backend->Cursor(), 0u);
  EXPECT_EQ(m_backend->Cursor(), LoadCursor(129));
  EXPECT_EQ(SendMessage(hwnd, WM_NCACTIVATE, 0, 0), TRUE);
  EXPECT_EQ(SendMessage(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 10, 0, 0), 0);
  EXPECT_FALSE(PeekMessage(&msg, false));

  EXPECT_EQ(SendMessage(hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(wnd.GetSafeHwnd(), 0u);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, DefaultGivesTheCurrentMessageEvenAfterANestedOne) {
  class Nesting : public RecordingWnd {
    LRESULT OnSysCommand(WPARAM, LPARAM) override {
      SendMessage(GetSafeHwnd(), WM_USER + 1, 0, 0);
      return Default();
    }
  };
  const HWND host = m_backend->CreateHostWindow({100, 100});
  Nesting wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  wnd.received.clear();
  SendMessage(wnd.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(wnd.Messages(),
            (std::vector<UINT>{WM_SYSCOMMAND, WM_USER + 1, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(WindowTest, AnObjectThatDeletesItselfInsideItsOwnHandlerIsNotTouchedAgain) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  std::vector<std::string> log;
  auto* wnd = new LoggingWnd(&log, true);
  ASSERT_TRUE(wnd->CreateChildOf(host, false));
  // WM_CLOSE's handler calls Default(), which destroys and deletes the object before the handler returns.
  SendMessage(wnd->GetSafeHwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(log.back(), "deleted");
}

TEST_F(WindowTest, DestructionFromOutsideRunsTheSequenceOnceItIsDispatched) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  std::vector<std::string> log;
  auto* wnd = new LoggingWnd(&log, true);
  ASSERT_TRUE(wnd->CreateChildOf(host));
  m_backend->InjectKey(wnd->GetSafeHwnd(), 'K');
  m_backend->DestroyFromOutside(host);
  EXPECT_EQ(m_backend->WindowCount(), 0u);
  EXPECT_TRUE(log.empty());

  WinApp app;
  EXPECT_TRUE(app.PumpMessage());
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(app.PumpMessage());
  const std::vector<std::string> expected{"WM_DESTROY", "WM_NCDESTROY", "hook, detached and gone", "deleted"};
  EXPECT_EQ(log, expected);
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
}

TEST_F(WindowTest, MessagesQueuedForADestroyedWindowAreDropped) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  std::vector<std::string> log;
  auto* wnd = new LoggingWnd(&log, true);
  ASSERT_TRUE(wnd->CreateChildOf(host));
  const HWND hwnd = wnd->GetSafeHwnd();
  wnd->PostMessage(WM_CLOSE, 0, 0);
  wnd->PostMessage(WM_CLOSE, 0, 0);
  wnd->PostMessage(WM_USER, 0, 0);
  m_backend->InjectKey(hwnd, 'K');
  std::vector<Msg> taken;
  Msg msg;
  while (PeekMessage(&msg, true)) {
    taken.push_back(msg);
    DispatchMessage(msg);
  }
  EXPECT_EQ(taken.size(), 4u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "WM_CLOSE"), 1);
  EXPECT_EQ(log.back(), "deleted");
}

TEST_F(WindowTest, CreationThatFailsRunsTheHook) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  std::vector<std::string> log;
  m_backend->RefuseNextWindow();
  auto* refused = new LoggingWnd(&log, true);
  EXPECT_FALSE(refused->CreateChildOf(host));
  EXPECT_EQ(log, (std::vector<std::string>{"hook, detached and gone", "deleted"}));

  log.clear();
  auto* failing = new LoggingWnd(&log, true);
  failing->failCreate = true;
  EXPECT_FALSE(failing->CreateChildOf(host));
  const std::vector<std::string> expected{"WM_DESTROY", "WM_NCDESTROY", "hook, detached and gone", "deleted"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(m_backend->WindowCount(), 1u);
}

TEST_F(WindowTest, CreationMakesTheRightKindOfWindow) {
  const HWND host = m_backend->CreateHostWindow({160, 120});
  RecordingWnd child;
  ASSERT_TRUE(child.CreateEx(0, WS_CHILD | WS_VISIBLE, Rect{0, 0, 160, 120}, host));
  EXPECT_EQ(child.GetClientRect(), (Rect{0, 0, 160, 120}));
  EXPECT_EQ(child.Messages(), (std::vector<UINT>{WM_CREATE, WM_SIZE}));
  EXPECT_EQ(child.received[1].lParam, MAKELPARAM(160, 120));

  RecordingWnd full;
  const Rect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  ASSERT_TRUE(full.CreateEx(WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, screen, 0));
  EXPECT_EQ(full.GetClientRect(), (Rect{0, 0, 800, 600}));

  RecordingWnd orphan;
  EXPECT_FALSE(orphan.CreateEx(0, WS_CHILD, Rect{0, 0, 10, 10}, 0x7777));
}

class TestApp : public WinApp {
 public:
  bool InitInstance() override {
    if (!enterLoop) return false;
    wnd = std::make_unique<RecordingWnd>();
    m_pMainWnd = wnd.get();
    wnd->CreateChildOf(host, false);
    wnd->PostMessage(WM_USER, 0, 0);
    wnd->PostMessage(WM_CLOSE, 0, 0);
    return true;
  }
  int ExitInstance() override { return 42; }

  bool enterLoop = true;
  HWND host = 0;
  std::unique_ptr<RecordingWnd> wnd;
};

TEST_F(WindowTest, RunLoopsUntilTheQuitMessageAndReturnsItsCode) {
  TestApp app;
  app.host = m_backend->CreateHostWindow({100, 100});
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.wnd->Messages(),
            (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_USER, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(WinApp::Current(), &app);
}

TEST_F(WindowTest, RunEndsAtOnceWhenStartUpDeclines) {
  TestApp app;
  app.enterLoop = false;
  EXPECT_EQ(app.Run(), 42);
}

}  // namespace
}  // namespace veltane::platform
