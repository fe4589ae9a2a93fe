#include "platform/refresh_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/picture.h"

namespace veltane::platform {
namespace {

constexpr std::int64_t kRefreshInterval = 16667;  // Microseconds, at 60 Hz.
constexpr Size kWindow{60, 40};
constexpr Rect kFlame{20, 5, 40, 25};
constexpr Rect kStage{10, 20, 50, 40};

// The clock that the test moves.
std::int64_t g_now = 0;
std::int64_t TestClock() { return g_now; }

// Refreshes that the display reports, and refreshes that come by the clock.
enum class Refreshes { Reported, Clock };

// A window that paces its pictures onto a screen of its own, and a display that refreshes when told.
class PacedWindow {
 public:
  explicit PacedWindow(Refreshes refreshes)
      : m_refreshes(refreshes),
        m_pacer(refreshes == Refreshes::Clock ? RefreshPacer(&TestClock, kRefreshInterval) : RefreshPacer()) {
    g_now = 100 * kRefreshInterval;
  }

  // A frame of the flame, each in a colour of its own.
  void DrawFlame() { m_pacer.Damage(m_picture.Fill(kFlame, 0x100000u + ++m_frames)); }
  // A stage change: the old flame blackened, the stage image drawn below it.
  void DrawStage() {
    m_pacer.Damage(m_picture.Fill(kFlame, 0));
    m_pacer.Damage(m_picture.Fill(kStage, 0x80A0C0));
  }
  // What a backend does at every poll.
  void Poll() {
    if (!m_pacer.Due()) return;
    m_picture.CopyTo(m_pacer.Damage(), m_screen.Pixels());
    m_pacer.Sent();
    ++m_pictures;
  }
  // The refreshes fall on the multiples of the interval, where the clock's do.
  void Refresh() {
    ++m_refreshCount;
    g_now = (g_now / kRefreshInterval + 1) * kRefreshInterval;
    if (m_refreshes == Refreshes::Reported) m_pacer.Refreshed();
  }
  // Time passes, too little to reach the next refresh.
  void Wait(std::int64_t microseconds) {
    ASSERT_LT(g_now % kRefreshInterval + microseconds, kRefreshInterval);
    g_now += microseconds;
  }

  bool ScreenShowsPicture() const {
    const Surface& a = m_screen.Pixels();
    const Surface& b = m_picture.Pixels();
    return std::equal(a.pixels, a.pixels + a.width * a.height, b.pixels);
  }
  std::uint32_t OnScreen(std::int32_t x, std::int32_t y) const {
    return m_screen.Pixels().pixels[y * kWindow.width + x];
  }
  int Pictures() const { return m_pictures; }
  int RefreshCount() const { return m_refreshCount; }
  int Frames() const { return m_frames; }

 private:
  Refreshes m_refreshes;
  RefreshPacer m_pacer;
  Picture m_picture{kWindow};
  Picture m_screen{kWindow};
  int m_frames = 0;
  int m_pictures = 0;
  int m_refreshCount = 0;
};

class RefreshPacing : public testing::TestWithParam<Refreshes> {};

// Frames come faster than refreshes, as fast, and slower. The first picture needs no refresh before it.
TEST_P(RefreshPacing, PicturesNeverOutnumberRefreshesAndEveryRefreshGetsOneWhileFramesCome) {
  struct Case {
    int framesPerRefresh;
    int refreshesPerFrame;
  };
  for (const Case c : {Case{400, 1}, Case{7, 1}, Case{1, 1}, Case{1, 3}}) {
    SCOPED_TRACE(testing::Message() << c.framesPerRefresh << " frames per " << c.refreshesPerFrame
                                    << " refreshes");
    PacedWindow window(GetParam());
    for (int round = 0; round < 50; ++round) {
      for (int frame = 0; frame < c.framesPerRefresh; ++frame) {
        window.DrawFlame();
        window.Poll();
        window.Wait(kRefreshInterval / (c.framesPerRefresh + 1));
      }
      for (int refresh = 0; refresh < c.refreshesPerFrame; ++refresh) window.Refresh();
    }
    EXPECT_LE(window.Pictures(), window.RefreshCount() + 1);
    EXPECT_GE(window.Pictures(), std::min(window.Frames(), window.RefreshCount()));
  }
}

// Each letter is a step: F a flame frame, S a stage change, R a refresh, P a poll. Whatever was drawn, the
// screen shows the whole picture after a refresh and the poll that follows it, and nothing drawn since the
// last picture before that.
TEST_P(RefreshPacing, AfterARefreshTheScreenShowsTheNewestFrameAndEveryStageImage) {
  struct Case {
    std::string_view steps;
    bool showsPicture;
  };
  const Case cases[] = {
      {"FPFFFRP", true}, {"SPFFRP", true},   {"FPSFFFRP", true},  {"FPFPSRPFFSFRP", true}, {"SRRRP", true},
      {"FPSP", false},   {"FPRFPFP", false}, {"FPRFPSPRP", true}, {"FPSFPRPFP", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    PacedWindow window(GetParam());
    for (const char step : c.steps) {
      switch (step) {
        case 'F': window.DrawFlame(); break;
        case 'S': window.DrawStage(); break;
        case 'R': window.Refresh(); break;
        case 'P': window.Poll(); break;
        default: FAIL() << step;
      }
    }
    EXPECT_EQ(window.ScreenShowsPicture(), c.showsPicture);
    if (c.showsPicture && c.steps.find('S') != std::string_view::npos) {
      EXPECT_EQ(window.OnScreen(kStage.left, kStage.bottom - 1), 0x80A0C0u);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Refreshes, RefreshPacing, testing::Values(Refreshes::Reported, Refreshes::Clock),
                         [](const testing::TestParamInfo<Refreshes>& param) {
                           return param.param == Refreshes::Reported ? "Reported" : "ByTheClock";
                         });

}  // namespace
}  // namespace veltane::platform
