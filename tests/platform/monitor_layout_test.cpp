#include "platform/monitor_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace veltane::platform {
namespace {

constexpr Size kScreen{1440, 600};
constexpr Rect kLeft{0, 0, 800, 600};
constexpr Rect kRight{800, 0, 1440, 480};

TEST(MonitorLayout, MonitorsComeFromTheListThatNamesMore) {
  const std::vector<Monitor> twoFromRandr{{kRight, true}, {kLeft, false}};
  const std::vector<Monitor> oneFromRandr{{kLeft, false}};
  const std::vector<Rect> twoFromXinerama{kLeft, kRight};
  struct Case {
    const char* name;
    std::vector<Monitor> randr;
    std::vector<Rect> xinerama;
    std::vector<Monitor> expected;
  };
  const Case cases[] = {
      {"RandR alone", twoFromRandr, {}, twoFromRandr},
      {"RandR as many as Xinerama keeps its primary", twoFromRandr, twoFromXinerama, twoFromRandr},
      {"Xinerama more: its first head is primary",
       oneFromRandr,
       twoFromXinerama,
       {{kLeft, true}, {kRight, false}}},
      {"neither: the whole screen", {}, {}, {{Rect{0, 0, 1440, 600}, true}}},
      {"clipped to the screen, off it dropped",
       {{Rect{-100, 0, 900, 700}, true}, {Rect{1440, 0, 2000, 600}, false}},
       {},
       {{Rect{0, 0, 900, 600}, true}}},
      {"nothing on the screen: the whole screen",
       {{Rect{2000, 0, 2100, 100}, true}},
       {},
       {{Rect{0, 0, 1440, 600}, true}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseMonitors(c.randr, c.xinerama, kScreen), c.expected) << c.name;
  }
}

TEST(MonitorLayout, PrimaryIsTheFlaggedOneElseTheOneAtTheOriginElseTheFirst) {
  const Rect below{0, 600, 800, 1200};
  struct Case {
    std::vector<Monitor> monitors;
    Rect expected;
  };
  const Case cases[] = {
      {{{kLeft, false}, {kRight, true}}, kRight},
      {{{kRight, false}, {kLeft, false}}, kLeft},
      {{{kRight, false}, {below, false}}, kRight},
      {{}, Rect{}},
  };
  for (const Case& c : cases) EXPECT_EQ(PrimaryOf(c.monitors), c.expected);
}

TEST(MonitorLayout, CoversGoWhereverTheFlamesWindowLeavesAMonitorShowing) {
  struct Case {
    const char* name;
    std::vector<Monitor> monitors;
    Rect flame;
    std::vector<Rect> expected;
  };
  const Case cases[] = {
      {"one monitor", {{kLeft, true}}, kLeft, {}},
      {"the other monitor", {{kLeft, true}, {kRight, false}}, kLeft, {kRight}},
      {"a clone of the primary needs none", {{kLeft, true}, {kLeft, false}}, kLeft, {}},
      {"two clones of another share one", {{kLeft, true}, {kRight, false}, {kRight, false}}, kLeft, {kRight}},
      {"a grown primary is covered under the window",
       {{Rect{0, 0, 1024, 768}, true}},
       kLeft,
       {Rect{0, 0, 1024, 768}}},
      {"a monitor inside the window needs none",
       {{kLeft, true}, {Rect{100, 100, 400, 400}, false}},
       kLeft,
       {}},
  };
  for (const Case& c : cases) EXPECT_EQ(CoverRects(c.monitors, c.flame), c.expected) << c.name;
}

TEST(MonitorLayout, PlanKeepsWhatLiesRightMovesTheRestAndOnlyThenAddsOrRemoves) {
  const Rect a{0, 0, 10, 10};
  const Rect b{10, 0, 20, 10};
  const Rect c{20, 0, 30, 10};
  const Rect d{30, 0, 40, 10};
  struct Case {
    const char* name;
    std::vector<Rect> current;
    std::vector<Rect> wanted;
    std::vector<std::pair<std::size_t, Rect>> moves;
    std::vector<std::size_t> removals;
    std::vector<Rect> additions;
  };
  const Case cases[] = {
      {"unchanged", {a, b}, {b, a}, {}, {}, {}},
      {"one moved", {a, b}, {a, c}, {{1, c}}, {}, {}},
      {"one added", {a}, {a, b}, {}, {}, {b}},
      {"the last ones removed, highest first", {a, b, c, d}, {c}, {}, {3, 1, 0}, {}},
      {"moved and added", {a, b}, {c, b, d}, {{0, c}}, {}, {d}},
      {"all gone", {a, b}, {}, {}, {1, 0}, {}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    const CoverPlan plan = PlanCovers(t.current, t.wanted);
    EXPECT_EQ(plan.moves, t.moves);
    EXPECT_EQ(plan.removals, t.removals);
    EXPECT_EQ(plan.additions, t.additions);
    // Carried out, the plan leaves exactly the covers wanted.
    std::vector<Rect> covers = t.current;
    ApplyCoverPlan(
        plan, &covers, [](Rect& cover, const Rect& rect) { cover = rect; },
        [](const Rect& rect) { return std::optional<Rect>(rect); }, [](const Rect&) {});
    EXPECT_TRUE(std::is_permutation(covers.begin(), covers.end(), t.wanted.begin(), t.wanted.end()));
  }
}

}  // namespace
}  // namespace veltane::platform
