#include "saver/saver_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/saver/saver_fixture.h"

namespace veltane::testing {
namespace {

using platform::LPARAM;
using platform::MemoryBackend;
using platform::Msg;
using platform::UINT;
using platform::WPARAM;

class SaverWndTest : public SaverFixture {
 protected:
  ProbeSaverWnd* MakeFullScreen() {
    auto* wnd = new ProbeSaverWnd(&Log);
    EXPECT_TRUE(wnd->CreateFullScreen());
    Hwnd = wnd->GetSafeHwnd();
    App->m_pMainWnd = wnd;
    return wnd;
  }
  bool ClosePosted() {
    const std::vector<Msg> posted = TakePostedMessages();
    return std::any_of(posted.begin(), posted.end(),
                       [](const Msg& m) { return m.message == platform::WM_CLOSE; });
  }
  bool Defaulted(UINT message) const {
    return std::find(Log.defaulted.begin(), Log.defaulted.end(), message) != Log.defaulted.end();
  }

  ProbeLog Log;
  platform::HWND Hwnd = 0;
};

TEST_F(SaverWndTest, CoversTheScreenWithAnAutoDeleteWindowWithoutParent) {
  ProbeSaverWnd* wnd = MakeFullScreen();
  platform::Rect client;
  ASSERT_TRUE(Backend->ClientRect(Hwnd, &client));
  EXPECT_EQ(client, (platform::Rect{0, 0, 1024, 768}));
  EXPECT_EQ(wnd->AutoDelete, 1);
  EXPECT_EQ(wnd->MouseOrigin, (saver::MousePosition{-1, -1}));
  wnd->DestroyWindow();
  EXPECT_TRUE(Log.deleted);
}

// Tri-state expectations: kAny is not checked.
constexpr int kAny = -1;

struct RuleCase {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  int defaulted;    // The message reached default processing.
  int closePosted;  // A WM_CLOSE was posted.
  int quitFlag;     // QuitFlag afterwards.
  platform::LRESULT result = kAny;
};

TEST_F(SaverWndTest, EachMessageFollowsItsInputRule) {
  using namespace platform;
  const RuleCase cases[] = {
      {"screen-saver command", WM_SYSCOMMAND, SC_SCREENSAVE, 0, 0, 0, 0, 0},
      {"close command", WM_SYSCOMMAND, SC_CLOSE, 0, 0, 0, 0, 0},
      {"close command with low bits set", WM_SYSCOMMAND, SC_CLOSE | 0x3, 0, 1, kAny, kAny},
      {"screen-saver command with low bits set", WM_SYSCOMMAND, SC_SCREENSAVE | 0x1, 0, 1, kAny, kAny},
      {"inactive frame", WM_NCACTIVATE, 0, 0, 0, 0, 0, FALSE},
      {"active frame", WM_NCACTIVATE, 1, 0, 1, 0, 0},
      {"deactivated", WM_ACTIVATE, WA_INACTIVE, 0, 1, 1, 0},
      {"deactivated while minimised", WM_ACTIVATE, 0x10000 | WA_INACTIVE, 0, 1, 1, 0},
      {"activated", WM_ACTIVATE, WA_ACTIVE, 0, 1, 0, 0},
      {"activated by a click", WM_ACTIVATE, WA_CLICKACTIVE, 0, 1, 0, 0},
      {"another application activated", WM_ACTIVATEAPP, 0, 0, 1, 1, 0},
      {"this application activated", WM_ACTIVATEAPP, 1, 0, 1, 0, 0},
      {"left button", WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5), 1, 1, 1},
      {"middle button", WM_MBUTTONDOWN, 0, MAKELPARAM(5, 5), 1, 1, 1},
      {"right button", WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5), 1, 1, 1},
      {"button release", WM_LBUTTONUP, 0, MAKELPARAM(5, 5), kAny, 0, 0},
      {"wheel", WM_MOUSEWHEEL, 0x00780000, MAKELPARAM(5, 5), kAny, 0, 0},
      {"key", WM_KEYDOWN, 'A', 0, 1, 1, 1},
      {"shift alone", WM_KEYDOWN, 0x10, 0, 1, 1, 1},
      {"key with alt", WM_SYSKEYDOWN, 'X', 0x20000000, 1, 1, 1},
      {"key release", WM_KEYUP, 'A', 0, kAny, 0, 0},
      {"character", WM_CHAR, 'a', 0, kAny, 0, 0},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Log = {};
    ProbeSaverWnd* wnd = MakeFullScreen();
    TakePostedMessages();

    const LRESULT result = SendMessage(Hwnd, c.message, c.wParam, c.lParam);

    if (c.result != kAny) {
      EXPECT_EQ(result, c.result);
    }
    if (c.defaulted != kAny) {
      EXPECT_EQ(Defaulted(c.message), c.defaulted == 1);
    }
    if (c.closePosted != kAny) {
      EXPECT_EQ(ClosePosted(), c.closePosted == 1);
    }
    if (c.quitFlag != kAny) {
      ASSERT_FALSE(Log.deleted);
      EXPECT_EQ(wnd->QuitFlag, c.quitFlag);
    }
    if (!Log.deleted) wnd->DestroyWindow();
  }
}

TEST_F(SaverWndTest, SetCursorHidesThePointerWhateverTheHitTest) {
  ProbeSaverWnd* wnd = MakeFullScreen();
  for (const std::int32_t hitTest : {1, 0, -2, 12}) {
    platform::SetCursor(platform::LoadCursor(129));
    EXPECT_EQ(platform::SendMessage(Hwnd, platform::WM_SETCURSOR, Hwnd,
                                    platform::MAKELPARAM(hitTest, platform::WM_MOUSEMOVE)),
              platform::TRUE);
    EXPECT_EQ(Backend->Cursor(), 0u);
  }
  EXPECT_FALSE(Defaulted(platform::WM_SETCURSOR));
  wnd->DestroyWindow();
}

TEST_F(SaverWndTest, DestructionSetsQuitFlag) {
  MakeFullScreen()->DestroyWindow();
  EXPECT_EQ(Log.quitFlagAtDestroy, 1);
  EXPECT_TRUE(Log.deleted);
}

struct MotionCase {
  const char* name;
  std::vector<std::pair<std::int32_t, std::int32_t>> moves;
  saver::MousePosition origin;
  bool closes;
};

TEST_F(SaverWndTest, OnlyAMoveAwayFromTheFirstPositionCloses) {
  const MotionCase cases[] = {
      {"first move, anywhere", {{700, 500}}, {700, 500}, false},
      {"second move to the same place", {{700, 500}, {700, 500}}, {700, 500}, false},
      {"one pixel in x", {{700, 500}, {701, 500}}, {700, 500}, true},
      {"one pixel in y", {{700, 500}, {700, 499}}, {700, 500}, true},
      {"negative coordinates", {{-3, -7}, {-3, -7}}, {-3, -7}, false},
      {"a later move back to the first place", {{0, 0}, {0, 0}, {0, 0}}, {0, 0}, false},
  };
  for (const MotionCase& c : cases) {
    SCOPED_TRACE(c.name);
    Log = {};
    ProbeSaverWnd* wnd = MakeFullScreen();
    TakePostedMessages();

    for (const auto& [x, y] : c.moves)
      platform::SendMessage(Hwnd, platform::WM_MOUSEMOVE, 0, platform::MAKELPARAM(x, y));

    EXPECT_EQ(wnd->MouseOrigin, c.origin);
    EXPECT_EQ(wnd->QuitFlag, c.closes ? 1 : 0);
    EXPECT_EQ(ClosePosted(), c.closes);
    EXPECT_TRUE(Defaulted(platform::WM_MOUSEMOVE));
    wnd->DestroyWindow();
  }
}

TEST_F(SaverWndTest, MousePositionIsReadAsTwoSignedSixteenBitHalves) {
  ProbeSaverWnd* wnd = MakeFullScreen();
  platform::SendMessage(Hwnd, platform::WM_MOUSEMOVE, 0, static_cast<LPARAM>(0xFFFF0005u));
  EXPECT_EQ(wnd->MouseOrigin, (saver::MousePosition{5, -1}));
  wnd->DestroyWindow();
}

struct InputCase {
  const char* name;
  std::function<void(MemoryBackend&, platform::HWND)> inject;
  bool closes;
};

TEST_F(SaverWndTest, RunningSaverEndsAtTheFirstSignOfTheUser) {
  const InputCase cases[] = {
      {"key", [](MemoryBackend& b, platform::HWND h) { b.InjectKey(h, 'A'); }, true},
      {"shift alone", [](MemoryBackend& b, platform::HWND h) { b.InjectKey(h, 0x10); }, true},
      {"key with alt", [](MemoryBackend& b, platform::HWND h) { b.InjectKey(h, 'X', true); }, true},
      {"left button", [](MemoryBackend& b, platform::HWND h) { b.InjectButton(h, 1); }, true},
      {"middle button", [](MemoryBackend& b, platform::HWND h) { b.InjectButton(h, 2); }, true},
      {"right button", [](MemoryBackend& b, platform::HWND h) { b.InjectButton(h, 3); }, true},
      {"wheel",
       [](MemoryBackend& b, platform::HWND h) {
         b.InjectButton(h, 4);
         b.InjectButton(h, 5);
       },
       false},
      {"first motion", [](MemoryBackend& b, platform::HWND h) { b.InjectMotion(h, 10, 10); }, false},
      {"motion to the same place",
       [](MemoryBackend& b, platform::HWND h) {
         b.InjectMotion(h, 10, 10);
         b.InjectMotion(h, 10, 10);
       },
       false},
      {"one pixel away",
       [](MemoryBackend& b, platform::HWND h) {
         b.InjectMotion(h, 10, 10);
         b.InjectMotion(h, 10, 11);
       },
       true},
      {"focus taken away", [](MemoryBackend& b, platform::HWND h) { b.InjectFocusLoss(h); }, true},
  };
  constexpr int kInjectAt = 3;
  constexpr int kGiveUpAt = 30;
  for (const InputCase& c : cases) {
    SCOPED_TRACE(c.name);
    Log = {};
    Backend->ClearDrawCalls();
    MakeFullScreen();
    bool stillOpen = false;
    OnEveryFrame([&](int frame) {
      if (frame == kInjectAt) c.inject(*Backend, Hwnd);
      if (frame == kGiveUpAt) {
        stillOpen = true;
        platform::PostMessage(Hwnd, platform::WM_CLOSE, 0, 0);
      }
    });

    EXPECT_EQ(RunMessageLoop(), 0);

    OnEveryPoll = nullptr;
    EXPECT_EQ(!stillOpen, c.closes);
    EXPECT_TRUE(Log.deleted);
    EXPECT_FALSE(platform::IsWindow(Hwnd));
  }
}

}  // namespace
}  // namespace veltane::testing
