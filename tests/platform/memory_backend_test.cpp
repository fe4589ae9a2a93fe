#include "platform/memory/memory_backend.h"

#include <gtest/gtest.h>

#include "memory_fixture.h"

namespace veltane::platform {
namespace {

using MemoryBackendTest = MemoryFixture;

TEST_F(MemoryBackendTest, InjectedInputBecomesTheWindowSystemsMessages) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  RecordingWnd wnd;
  ASSERT_TRUE(wnd.CreateChildOf(host, false));
  const HWND hwnd = wnd.GetSafeHwnd();
  m_backend->InjectKey(hwnd, 0x10);
  m_backend->InjectKey(hwnd, 'X', true);
  m_backend->InjectKey(hwnd, VK_MENU);
  // A repeated position is no news, as on the real window systems; buttons and the wheel are pressed there.
  m_backend->InjectMotion(hwnd, 639, 479);
  m_backend->InjectMotion(hwnd, 639, 479);
  for (int button = 1; button <= 5; ++button) m_backend->InjectButton(hwnd, button);
  m_backend->InjectFocusLoss(hwnd);

  std::vector<Msg> taken;
  Msg msg;
  while (PeekMessage(&msg, true)) taken.push_back(msg);
  const LPARAM at = MAKELPARAM(639, 479);
  const LPARAM alt = KEY_REPEAT_ONCE | KEY_CONTEXT_ALT;
  const std::vector<Msg> expected{
      {hwnd, WM_KEYDOWN, 0x10, KEY_REPEAT_ONCE}, {hwnd, WM_SYSKEYDOWN, 'X', alt},
      {hwnd, WM_SYSKEYDOWN, VK_MENU, alt},       {hwnd, WM_MOUSEMOVE, 0, at},
      {hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at},    {hwnd, WM_MBUTTONDOWN, MK_MBUTTON, at},
      {hwnd, WM_RBUTTONDOWN, MK_RBUTTON, at},    {hwnd, WM_MOUSEWHEEL, 120u << 16, at},
      {hwnd, WM_MOUSEWHEEL, 0xFF88u << 16, at},  {hwnd, WM_NCACTIVATE, 0, 0},
      {hwnd, WM_ACTIVATE, WA_INACTIVE, 0},       {hwnd, WM_ACTIVATEAPP, 0, 0}};
  EXPECT_EQ(taken, expected);
}

TEST_F(MemoryBackendTest, ChildOfAHostIsABlackBufferOfItsSize) {
  const HWND host = m_backend->CreateHostWindow({152, 112});
  const HWND child = m_backend->CreateChildWindow(host, Rect{0, 0, 152, 112}, true);
  ASSERT_NE(child, 0u);
  Rect client;
  ASSERT_TRUE(GetClientRect(child, &client));
  EXPECT_EQ(client, (Rect{0, 0, 152, 112}));
  EXPECT_EQ(m_backend->Pixels(child), std::vector<std::uint32_t>(152 * 112, 0));
  EXPECT_EQ(m_backend->CreateChildWindow(0x7777, Rect{0, 0, 1, 1}, true), 0u);
  m_backend->RefuseNextWindow();
  EXPECT_EQ(m_backend->CreateTopmostWindow(Rect{0, 0, 1, 1}, true), 0u);
  EXPECT_NE(m_backend->CreateTopmostWindow(Rect{0, 0, 1, 1}, true), 0u);
}

TEST_F(MemoryBackendTest, DestroyingAHostTakesItsDescendantsAndReportsOnlyOurs) {
  const HWND host = m_backend->CreateHostWindow({100, 100});
  const HWND child = m_backend->CreateChildWindow(host, Rect{0, 0, 50, 50}, true);
  const HWND grandchild = m_backend->CreateChildWindow(child, Rect{0, 0, 5, 5}, true);
  const HWND unrelated = m_backend->CreateHostWindow({10, 10});

  RecordingSink sink;
  m_backend->DestroyFromOutside(host);
  EXPECT_FALSE(IsWindow(host));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grandchild));
  EXPECT_TRUE(IsWindow(unrelated));
  EXPECT_TRUE(sink.destroyed.empty());
  m_backend->PollEvents(sink);
  EXPECT_EQ(sink.destroyed, (std::vector<HWND>{child, grandchild}));
}

TEST_F(MemoryBackendTest, DrawingIsClippedAndLogged) {
  const HWND hwnd = m_backend->CreateHostWindow({4, 3});
  const HDC dc = GetDC(hwnd);
  ASSERT_NE(dc, 0u);
  FillRect(dc, Rect{-5, 1, 2, 9}, 0x123456);
  ReleaseDC(hwnd, dc);
  const std::vector<std::uint32_t> expected{0, 0, 0, 0, 0x123456, 0x123456, 0, 0, 0x123456, 0x123456, 0, 0};
  EXPECT_EQ(m_backend->Pixels(hwnd), expected);
  ASSERT_EQ(m_backend->DrawCalls().size(), 1u);
  EXPECT_EQ(m_backend->DrawCalls()[0].kind, MemoryBackend::DrawCall::Fill);
  EXPECT_EQ(m_backend->DrawCalls()[0].rect, (Rect{-5, 1, 2, 9}));

  m_backend->SetGetDCFails(true);
  EXPECT_EQ(GetDC(hwnd), 0u);
  m_backend->SetGetDCFails(false);
  m_backend->DestroyNativeWindow(hwnd);
  EXPECT_EQ(GetDC(hwnd), 0u);
}

TEST_F(MemoryBackendTest, ClockAndScreenAreWhatTheTestSets) {
  m_backend->SetTickCount(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  m_backend->AdvanceTickCount(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);
  m_backend->SetCalendarTime(4102444800);
  EXPECT_EQ(CalendarTime(), 4102444800);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
}

TEST_F(MemoryBackendTest, CursorAndWindowQueries) {
  const HCURSOR invisible = LoadCursor(129);
  EXPECT_NE(invisible, 0u);
  EXPECT_EQ(LoadCursor(130), 0u);
  SetCursor(0);
  EXPECT_EQ(SetCursor(invisible), 0u);
  EXPECT_EQ(m_backend->Cursor(), invisible);
  EXPECT_EQ(SetCursor(0), invisible);
  EXPECT_EQ(m_backend->Cursor(), 0u);

  EXPECT_FALSE(IsWindow(0));
  EXPECT_FALSE(IsWindow(0x7777));
  EXPECT_TRUE(IsWindow(m_backend->CreateHostWindow({1, 1})));
}

}  // namespace
}  // namespace veltane::platform
