// The full-screen window on several monitors of the in-memory backend: it takes the primary one, and the
// black covers around it follow the layout.

#include <gtest/gtest.h>

#include <vector>

#include "saver/saver_wnd.h"
#include "tests/saver/saver_fixture.h"

namespace veltane::testing {
namespace {

using platform::Monitor;
using platform::Rect;

constexpr Rect kLeft{0, 0, 640, 480};
constexpr Rect kPrimary{640, 0, 1664, 768};

class SaverMonitorsTest : public SaverFixture {
 protected:
  ProbeSaverWnd* MakeFullScreen() {
    auto* wnd = new ProbeSaverWnd(&Log);
    EXPECT_TRUE(wnd->CreateFullScreen());
    App->m_pMainWnd = wnd;
    return wnd;
  }
  // One message step of the run loop, which is when the window system's notices arrive.
  void Step() { platform::PeekMessage(&Msg, false); }

  platform::Msg Msg;
  ProbeLog Log;
};

TEST_F(SaverMonitorsTest, WindowTakesThePrimaryMonitorAndCoversFollowTheLayoutWhileItStays) {
  Backend->SetMonitors({{kLeft, false}, {kPrimary, true}});
  ProbeSaverWnd* wnd = MakeFullScreen();
  Rect client;
  EXPECT_EQ(Backend->TopmostPlacement(), kPrimary);
  EXPECT_EQ(Backend->Covers(), std::vector<Rect>{kLeft});

  // A monitor plugged in on the right and the primary one grown: the covers follow at the next step, a
  // cover under the window blackens what the grown monitor shows beside it, and the window stays.
  const Rect grown{640, 0, 1920, 1024};
  const Rect right{1920, 0, 2560, 480};
  Backend->SetMonitors({{kLeft, false}, {grown, true}, {right, false}});
  Step();
  EXPECT_EQ(Backend->Covers(), (std::vector<Rect>{kLeft, grown, right}));
  ASSERT_TRUE(Backend->ClientRect(wnd->GetSafeHwnd(), &client));
  EXPECT_EQ(client, (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(Backend->TopmostPlacement(), kPrimary);

  Backend->SetMonitors({{kPrimary, true}, {right, false}});
  Step();
  EXPECT_EQ(Backend->Covers(), std::vector<Rect>{right});
  wnd->DestroyWindow();
  EXPECT_TRUE(Backend->Covers().empty());
}

}  // namespace
}  // namespace veltane::testing
