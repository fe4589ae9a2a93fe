#include "saver/flame_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/saver/saver_fixture.h"

namespace veltane::testing {
namespace {

using platform::MemoryBackend;
using platform::Msg;

class FlameWndTest : public SaverFixture {};

TEST_F(FlameWndTest, NewWindowHoldsItsInitialValues) {
  const saver::FlameWnd wnd(false);
  EXPECT_EQ(wnd.QuitFlag, 0);
  EXPECT_EQ(wnd.FirstPaint, 1);
  EXPECT_EQ(wnd.Field.FrontImage, nullptr);
  EXPECT_EQ(wnd.Field.BackImage, nullptr);
  EXPECT_EQ(wnd.Field.ImageStride, 0);
  EXPECT_EQ(wnd.Field.ImageSize, 0);
  EXPECT_EQ(wnd.Field.FlameWeights, (flame::Weights{1.0, 1.0, 1.355}));
  EXPECT_EQ(wnd.StagePeriod, 5000u);
  EXPECT_EQ(wnd.DelayTime, 1u);
  EXPECT_EQ(wnd.Stages.NextStage, 0u);
  EXPECT_EQ(wnd.Stages.BurnedOut, 0);
  EXPECT_EQ(wnd.Stages.DarkPeriods, 0);
  EXPECT_EQ(wnd.AutoDelete, 0);
  EXPECT_EQ(saver::FlameWnd(true).AutoDelete, 1);
}

TEST_F(FlameWndTest, CreationPostsOneStartMessageThatComesBeforeThePaintRequest) {
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);

  const std::vector<Msg> posted = TakePostedMessages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], (Msg{wnd->GetSafeHwnd(), saver::StartMessage, 0, 0}));
  Msg next;
  ASSERT_TRUE(platform::PeekMessage(&next, false));
  EXPECT_EQ(next.message, platform::WM_PAINT);
  wnd->DestroyWindow();
}

TEST_F(FlameWndTest, FirstPaintBlackensTheClientAreaAndDrawsStageZero) {
  ProbeLog log;
  auto* wnd = MakePreview({640, 480}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);
  TakePostedMessages();

  platform::SendMessage(wnd->GetSafeHwnd(), platform::WM_PAINT, 0, 0);

  const auto& calls = Backend->DrawCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, MemoryBackend::DrawCall::Fill);
  EXPECT_EQ(calls[0].rect, (platform::Rect{0, 0, 640, 480}));
  EXPECT_EQ(calls[1].kind, MemoryBackend::DrawCall::Dib);
  EXPECT_EQ(calls[1].rect, (platform::Rect{230, 153, 230 + 179, 153 + 174}));
  EXPECT_EQ(wnd->FirstPaint, 0);
  EXPECT_EQ(wnd->Stages.NextStage, 1u);
  EXPECT_EQ(Backend->Pixel(wnd->GetSafeHwnd(), 0, 0), 0u);
  EXPECT_EQ(Backend->Pixel(wnd->GetSafeHwnd(), 639, 479), 0u);
  wnd->DestroyWindow();
}

TEST_F(FlameWndTest, LaterPaintsDrawNothingAndLeaveTheWindowInvalid) {
  ProbeLog log;
  auto* wnd = MakePreview({640, 480}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);
  TakePostedMessages();
  const platform::HWND hwnd = wnd->GetSafeHwnd();

  for (int paint = 0; paint < 3; ++paint) {
    if (paint > 0) Backend->InjectExpose(hwnd);
    Msg msg;
    ASSERT_TRUE(platform::GetMessage(&msg));
    ASSERT_EQ(msg.message, platform::WM_PAINT);
    platform::DispatchMessage(msg);
    if (paint == 0) Backend->ClearDrawCalls();
  }

  EXPECT_TRUE(Backend->DrawCalls().empty());
  EXPECT_EQ(wnd->Stages.NextStage, 1u);
  EXPECT_EQ(std::count(log.defaulted.begin(), log.defaulted.end(), platform::WM_PAINT), 0)
      << "a paint reached default processing, which validates";
  Msg waiting;
  ASSERT_TRUE(platform::PeekMessage(&waiting, false));
  EXPECT_EQ(waiting.message, platform::WM_PAINT);
  wnd->DestroyWindow();
}

TEST_F(FlameWndTest, CloseSetsQuitFlagBeforeTheWindowIsDestroyed) {
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);
  const platform::HWND hwnd = wnd->GetSafeHwnd();

  platform::SendMessage(hwnd, platform::WM_CLOSE, 0, 0);

  EXPECT_EQ(log.quitFlagAtDestroy, 1);
  EXPECT_FALSE(platform::IsWindow(hwnd));
  EXPECT_TRUE(wnd->FinallyDestroyed());
}

TEST_F(FlameWndTest, ObjectWithoutAutoDeleteSurvivesItsWindow) {
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, false);
  const std::unique_ptr<ProbeFlameWnd> owner(wnd);

  wnd->DestroyWindow();

  EXPECT_FALSE(log.deleted);
  EXPECT_TRUE(wnd->FinallyDestroyed());
  EXPECT_EQ(wnd->GetSafeHwnd(), 0u);
}

TEST_F(FlameWndTest, ObjectWithAutoDeleteIsDeletedAfterItsLastMessage) {
  ProbeLog log;
  auto* wnd = MakePreview({320, 240}, &log, true);

  wnd->DestroyWindow();

  EXPECT_TRUE(log.deleted);
}

TEST_F(FlameWndTest, RefusedWindowReportsFailureAndAnAutoDeleteObjectIsGone) {
  ProbeLog log;
  const platform::HWND host = Backend->CreateHostWindow({320, 240});
  Backend->RefuseNextWindow();
  auto* wnd = new ProbeFlameWnd(&log, true);

  EXPECT_FALSE(wnd->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE, {0, 0, 320, 240}, host, 0,
                                      nullptr));
  EXPECT_TRUE(log.deleted);
  EXPECT_TRUE(TakePostedMessages().empty());
}

TEST_F(FlameWndTest, LoadSettingsTakesTheRunValuesFromTheStore) {
  saver::FlameWnd wnd(false);
  wnd.LoadSettings();
  EXPECT_EQ(wnd.DelayOn, 0);
  EXPECT_EQ(wnd.DelayTime, 10u);
  EXPECT_EQ(wnd.StagePeriod, 99960u);

  WriteSetting("DelayOn", 1);
  WriteSetting("DelayTime", 500);
  WriteSetting("BurnTime", 4294968);
  wnd.LoadSettings();
  EXPECT_EQ(wnd.DelayOn, 1);
  EXPECT_EQ(wnd.DelayTime, 500u);
  EXPECT_EQ(wnd.StagePeriod, 7020u);
}

}  // namespace
}  // namespace veltane::testing
