#include "platform/win_types.h"

#include <gtest/gtest.h>

#include <limits>

namespace veltane::platform {
namespace {

struct RectCase {
  const char* name;
  Rect a;
  Rect b;
  Rect intersection;
  Rect joined;
};

TEST(Rect, IntersectAndUnionTreatEmptyRectanglesAsNothing) {
  const RectCase cases[] = {
      {"overlapping", {0, 0, 10, 10}, {5, 3, 20, 8}, {5, 3, 10, 8}, {0, 0, 20, 10}},
      {"one inside the other", {0, 0, 10, 10}, {2, 2, 4, 4}, {2, 2, 4, 4}, {0, 0, 10, 10}},
      {"apart", {0, 0, 2, 2}, {5, 5, 7, 7}, {}, {0, 0, 7, 7}},
      {"edge to edge", {0, 0, 5, 5}, {5, 0, 9, 5}, {}, {0, 0, 9, 5}},
      {"empty one far away", {3, 3, 4, 4}, {-90, -90, -90, 50}, {}, {3, 3, 4, 4}},
      {"inverted one", {0, 0, 8, 8}, {6, 6, 2, 2}, {}, {0, 0, 8, 8}},
  };
  for (const RectCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Intersect(c.a, c.b), c.intersection);
    EXPECT_EQ(Intersect(c.b, c.a), c.intersection);
    EXPECT_EQ(Union(c.a, c.b), c.joined);
  }
  EXPECT_FALSE((Rect{0, 0, 1, 1}).IsEmpty());
  EXPECT_TRUE((Rect{1, 1, 1, 9}).IsEmpty());
  EXPECT_TRUE((Rect{6, 6, 2, 2}).IsEmpty());
}

TEST(Rect, RectAtHoldsFarEdgesInsteadOfWrapping) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(RectAt(-3, 4, 10, 2), (Rect{-3, 4, 7, 6}));
  EXPECT_EQ(RectAt(kMax - 5, kMax, 10, 1), (Rect{kMax - 5, kMax, kMax, kMax}));
  EXPECT_TRUE(Intersect(RectAt(kMax - 5, 0, 10, 1), Rect{0, 0, 640, 480}).IsEmpty());
}

}  // namespace
}  // namespace veltane::platform
