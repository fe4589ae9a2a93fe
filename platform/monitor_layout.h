#pragma once
// Which monitors a screen has, which of them carries the saver, and which black covers the others need.
// Plain rules with no window system in them, shared by the backends and tested without a server.

#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/win_types.h"

namespace veltane::platform {

struct Monitor {
  Rect rect;  // On the root window.
  bool primary = false;
  friend bool operator==(const Monitor&, const Monitor&) = default;
};

// The monitors of a screen of the given size: RandR's list where it names at least as many as Xinerama's,
// Xinerama's (whose first head is the primary one) where it names more, the whole screen where neither
// names any. Each is clipped to the screen; one that lies wholly off it is dropped.
std::vector<Monitor> ChooseMonitors(std::span<const Monitor> randr, std::span<const Rect> xinerama,
                                    Size screen);

// The monitor that is flagged primary; without a flag, the one at the origin; without that, the first.
// An empty list has none: the result is then empty too.
Rect PrimaryOf(std::span<const Monitor> monitors);

// What needs a black cover: every monitor that the flame's window does not cover whole, each area once.
std::vector<Rect> CoverRects(std::span<const Monitor> monitors, const Rect& flame);

// How to turn the covers there are into the covers wanted, touching as few windows as possible: covers
// that already lie right are kept, the others are moved onto what is still wanted, and only then are
// covers added or removed.
struct CoverPlan {
  std::vector<std::pair<std::size_t, Rect>> moves;  // Index of a cover there is, and where it goes.
  std::vector<std::size_t> removals;                // Indices of covers there are, highest first.
  std::vector<Rect> additions;
  bool Empty() const { return moves.empty() && removals.empty() && additions.empty(); }
};
CoverPlan PlanCovers(std::span<const Rect> current, std::span<const Rect> wanted);

// Carries a plan out on a backend's covers, in the order the plan's indices need: moves, removals from the
// highest index down, additions. make returns the new cover, or nothing when the window system refused it.
template <typename Cover, typename Move, typename Make, typename Destroy>
void ApplyCoverPlan(const CoverPlan& plan, std::vector<Cover>* covers, Move move, Make make,
                    Destroy destroy) {
  for (const auto& [index, rect] : plan.moves) move((*covers)[index], rect);
  for (const std::size_t index : plan.removals) {
    destroy((*covers)[index]);
    covers->erase(covers->begin() + static_cast<std::ptrdiff_t>(index));
  }
  for (const Rect& rect : plan.additions) {
    if (std::optional<Cover> made = make(rect)) covers->push_back(*made);
  }
}

}  // namespace veltane::platform
