#include <gtest/gtest.h>

#include "memory_fixture.h"
#include "platform/app.h"

namespace veltane::platform {
namespace {

using MessageQueueTest = MemoryFixture;

TEST_F(MessageQueueTest, PostedBeforeInputBeforeQuitBeforePaint) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host));
  const HWND hwnd = wnd.GetSafeHwnd();
  m_backend->InjectKey(hwnd, 'A');
  m_backend->InjectMotion(hwnd, 3, 4);
  PostQuitMessage(7);
  wnd.PostMessage(WM_USER + 1, 11, 0);
  wnd.PostMessage(WM_USER + 2, 12, 0);

  const std::vector<Msg> expected{
      {hwnd, WM_USER + 1, 11, 0}, {hwnd, WM_USER + 2, 12, 0},
      {hwnd, WM_KEYDOWN, 'A', 1}, {hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4)},
      {0, WM_QUIT, 7, 0},         {hwnd, WM_PAINT, 0, 0},
  };
  EXPECT_EQ(DrainUntilPaint(), expected);
}

TEST_F(MessageQueueTest, PaintRecursWhileInvalidAndStopsOnceValidated) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host));
  Msg msg;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessage(&msg, true));
    EXPECT_EQ(msg.message, WM_PAINT);
  }
  ValidateWindow(wnd.GetSafeHwnd());
  EXPECT_FALSE(PeekMessage(&msg, true));

  m_backend->InjectExpose(wnd.GetSafeHwnd());
  ASSERT_TRUE(PeekMessage(&msg, true));
  EXPECT_EQ(msg, (Msg{wnd.GetSafeHwnd(), WM_PAINT, 0, 0}));
}

TEST_F(MessageQueueTest, HiddenWindowIsNotPaintedUntilExposed) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
  m_backend->InjectExpose(wnd.GetSafeHwnd());
  EXPECT_TRUE(PeekMessage(&msg, false));
  EXPECT_EQ(msg.message, WM_PAINT);
}

TEST_F(MessageQueueTest, SeveralInvalidWindowsArePaintedInTurn) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd first;
  RecordingWnd second;
  ASSERT_TRUE(first.CreateChildOf(host));
  ASSERT_TRUE(second.CreateChildOf(host));
  std::vector<HWND> painted;
  Msg msg;
  for (int i = 0; i < 4 && PeekMessage(&msg, true); ++i) painted.push_back(msg.hwnd);
  const std::vector<HWND> expected{first.GetSafeHwnd(), second.GetSafeHwnd(), first.GetSafeHwnd(),
                                   second.GetSafeHwnd()};
  EXPECT_EQ(painted, expected);
}

TEST_F(MessageQueueTest, PeekWithoutRemoveRemovesNothing) {
  PostMessage(0, WM_USER, 1, 0);
  PostQuitMessage(2);
  Msg msg;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(PeekMessage(&msg, false));
    EXPECT_EQ(msg, (Msg{0, WM_USER, 1, 0}));
  }
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_USER);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(PeekMessage(&msg, false));
    EXPECT_EQ(msg.message, WM_QUIT);
  }
}

TEST_F(MessageQueueTest, GetMessageReturnsFalseForQuitWithItsCodeOnce) {
  PostQuitMessage(5);
  PostQuitMessage(9);
  Msg msg;
  EXPECT_FALSE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 9u);
  EXPECT_FALSE(PeekMessage(&msg, false));
}

TEST_F(MessageQueueTest, PeekMovesNativeEventsInAndRunsThePollHook) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  int polls = 0;
  m_backend->SetPollHook([&] {
    if (++polls == 2) m_backend->InjectButton(wnd.GetSafeHwnd(), 1);
  });
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
  EXPECT_TRUE(PeekMessage(&msg, false));
  EXPECT_EQ(msg.message, WM_LBUTTONDOWN);
  EXPECT_EQ(polls, 2);
}

TEST_F(MessageQueueTest, GetMessageWaitsForTheNextEvent) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  int polls = 0;
  m_backend->SetPollHook([&] {
    if (++polls == 2) m_backend->InjectKey(wnd.GetSafeHwnd(), 'Q');
  });
  Msg msg;
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
}

// A frame's message step peeks and then gets: the get takes what the peek saw without asking the backend
// again, while every other get asks it, so that input still reaches a loop that only gets.
TEST_F(MessageQueueTest, AGetRightAfterAPeekTakesWhatThePeekSawWithoutPollingAgain) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host));
  int polls = 0;
  m_backend->SetPollHook([&] {
    ++polls;
    m_backend->InjectKey(wnd.GetSafeHwnd(), 'A' + polls);
  });
  Msg msg;
  ASSERT_TRUE(PeekMessage(&msg, false));
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('B'));
  EXPECT_EQ(polls, 1);
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('C'));
  EXPECT_EQ(polls, 2);
  ASSERT_TRUE(PeekMessage(&msg, true));
  ASSERT_TRUE(GetMessage(&msg));
  EXPECT_EQ(polls, 4);
}

TEST_F(MessageQueueTest, WaitingWithNothingToComeStopsInsteadOfHanging) {
  Msg msg;
  EXPECT_DEATH(GetMessage(&msg), "never end");
}

TEST_F(MessageQueueTest, PumpDispatchesExactlyOneMessage) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host));
  wnd.received.clear();
  wnd.PostMessage(WM_USER + 1, 0, 0);
  wnd.PostMessage(WM_USER + 2, 0, 0);
  WinApp app;
  EXPECT_TRUE(app.PumpMessage());
  EXPECT_EQ(wnd.Messages(), std::vector<UINT>{WM_USER + 1});
  EXPECT_TRUE(app.PumpMessage());
  EXPECT_TRUE(app.PumpMessage());
  EXPECT_EQ(wnd.Messages(), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
}

TEST_F(MessageQueueTest, PostingToAWindowThatDoesNotExistFails) {
  EXPECT_FALSE(PostMessage(0x7777, WM_USER, 0, 0));
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
}

TEST_F(MessageQueueTest, ANewBackendStartsWithAnEmptyQueue) {
  PostMessage(0, WM_USER, 0, 0);
  PostQuitMessage(1);
  SetBackend(std::make_unique<MemoryBackend>());
  Msg msg;
  EXPECT_FALSE(PeekMessage(&msg, false));
}

}  // namespace
}  // namespace veltane::platform
