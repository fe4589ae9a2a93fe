#include "platform/x11/stacking_watch.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltane::platform::x11 {
namespace {

constexpr StackingWatch::Id kSaver = 1;
constexpr StackingWatch::Id kCover = 2;
constexpr StackingWatch::Id kOther = 10;
constexpr StackingWatch::Id kThird = 11;
constexpr StackingWatch::Id kBelow = 12;  // Another client's window that lies below ours.

struct Notice {
  enum Kind { Created, Mapped, Restacked, MovedToTop, Destroyed, RestackDone } kind;
  StackingWatch::Id window = 0;
  StackingWatch::Id below = 0;
};

void Feed(StackingWatch& watch, const Notice& notice) {
  switch (notice.kind) {
    case Notice::Created: watch.Created(notice.window); break;
    case Notice::Mapped: watch.Mapped(notice.window); break;
    case Notice::Restacked: watch.Restacked(notice.window, notice.below); break;
    case Notice::MovedToTop: watch.MovedToTop(notice.window); break;
    case Notice::Destroyed: watch.Destroyed(notice.window); break;
    case Notice::RestackDone: watch.RestackDone(); break;
  }
}

TEST(StackingWatch, RestacksWhenAnotherWindowMayShowAboveOursAndOnlyThen) {
  using N = Notice;
  struct Case {
    const char* name;
    std::vector<Notice> notices;
    bool restack;
  };
  const Case cases[] = {
      {"nothing happened", {}, false},
      {"another window shown", {{N::Mapped, kOther}}, true},
      {"created, not yet shown", {{N::Created, kOther}}, false},
      {"raised above our topmost window", {{N::Restacked, kOther, kSaver}}, true},
      {"raised above a cover", {{N::Restacked, kOther, kCover}}, true},
      {"moved or resized below ours", {{N::Restacked, kOther, kBelow}}, false},
      {"put to the bottom", {{N::Restacked, kOther, 0}}, false},
      {"raised above a hidden window that lies above ours",
       {{N::Created, kThird}, {N::Restacked, kOther, kThird}},
       true},
      {"above a window that went below ours",
       {{N::Created, kThird}, {N::Restacked, kThird, kBelow}, {N::Restacked, kOther, kThird}},
       false},
      {"above a window that was destroyed",
       {{N::Created, kThird}, {N::Destroyed, kThird}, {N::Restacked, kOther, kThird}},
       false},
      {"circulated or adopted onto the top", {{N::MovedToTop, kOther}}, true},
      {"above a window that lay above ours before the last restack",
       {{N::Created, kThird}, {N::RestackDone}, {N::Restacked, kOther, kThird}},
       false},
      {"our own windows shown, raised and moved",
       {{N::Created, kCover}, {N::Mapped, kCover}, {N::Restacked, kSaver, kCover}, {N::MovedToTop, kSaver}},
       false},
      {"restack done", {{N::Mapped, kOther}, {N::RestackDone}}, false},
  };
  for (const Case& c : cases) {
    StackingWatch watch;
    watch.AddOurs(kSaver);
    watch.AddOurs(kCover);
    for (const Notice& notice : c.notices) Feed(watch, notice);
    EXPECT_EQ(watch.RestackNeeded(), c.restack) << c.name;
  }
}

}  // namespace
}  // namespace veltane::platform::x11
