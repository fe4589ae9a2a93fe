#include "platform/monitor_layout.h"

#include <algorithm>

namespace veltane::platform {
namespace {

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

std::vector<Monitor> ChooseMonitors(std::span<const Monitor> randr, std::span<const Rect> xinerama,
                                    Size screen) {
  const Rect whole{0, 0, screen.width, screen.height};
  std::vector<Monitor> listed;
  if (!randr.empty() && randr.size() >= xinerama.size()) {
    listed.assign(randr.begin(), randr.end());
  } else {
    for (std::size_t i = 0; i < xinerama.size(); ++i) listed.push_back(Monitor{xinerama[i], i == 0});
  }
  std::vector<Monitor> monitors;
  for (const Monitor& monitor : listed) {
    const Rect clipped = Intersect(monitor.rect, whole);
    if (!clipped.IsEmpty()) monitors.push_back(Monitor{clipped, monitor.primary});
  }
  if (monitors.empty()) monitors.push_back(Monitor{whole, true});
  return monitors;
}

Rect PrimaryOf(std::span<const Monitor> monitors) {
  if (monitors.empty()) return Rect{};
  const auto flagged =
      std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
  if (flagged != monitors.end()) return flagged->rect;
  const auto atOrigin = std::find_if(monitors.begin(), monitors.end(),
                                     [](const Monitor& m) { return m.rect.left == 0 && m.rect.top == 0; });
  return atOrigin != monitors.end() ? atOrigin->rect : monitors.front().rect;
}

std::vector<Rect> CoverRects(std::span<const Monitor> monitors, const Rect& flame) {
  std::vector<Rect> covers;
  for (const Monitor& monitor : monitors) {
    if (Contains(flame, monitor.rect)) continue;
    if (std::find(covers.begin(), covers.end(), monitor.rect) == covers.end()) covers.push_back(monitor.rect);
  }
  return covers;
}

CoverPlan PlanCovers(std::span<const Rect> current, std::span<const Rect> wanted) {
  std::vector<bool> kept(current.size(), false);
  std::vector<Rect> unmet;
  for (const Rect& rect : wanted) {
    std::size_t i = 0;
    while (i < current.size() && (kept[i] || !(current[i] == rect))) ++i;
    if (i < current.size()) {
      kept[i] = true;
    } else {
      unmet.push_back(rect);
    }
  }
  CoverPlan plan;
  std::size_t next = 0;
  for (std::size_t i = 0; i < current.size(); ++i) {
    if (kept[i]) continue;
    if (next < unmet.size()) {
      plan.moves.emplace_back(i, unmet[next++]);
    } else {
      plan.removals.push_back(i);
    }
  }
  std::reverse(plan.removals.begin(), plan.removals.end());
  plan.additions.assign(unmet.begin() + static_cast<std::ptrdiff_t>(next), unmet.end());
  return plan;
}

}  // namespace veltane::platform
