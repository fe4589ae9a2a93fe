#include "platform/stacking_watch.h"

namespace veltane::platform {

void StackingWatch::Created(Id window) {
  if (!IsOurs(window)) m_aboveUs.insert(window);
}

// A window that is shown is raised as often as not (a map with a raise comes as a restack first), but a
// plain map of a window that lay below keeps it below; raising ours for it would do no harm, and costs
// little, so every map of another window is taken as one that may show above ours.
void StackingWatch::Mapped(Id window) {
  if (!IsOurs(window)) m_restackNeeded = true;
}

void StackingWatch::Restacked(Id window, Id below) {
  if (IsOurs(window)) return;
  if (below != 0 && IsAboveUs(below)) {
    m_aboveUs.insert(window);
    m_restackNeeded = true;
  } else {
    m_aboveUs.erase(window);
  }
}

void StackingWatch::MovedToTop(Id window) {
  if (IsOurs(window)) return;
  m_aboveUs.insert(window);
  m_restackNeeded = true;
}

void StackingWatch::Destroyed(Id window) { m_aboveUs.erase(window); }

void StackingWatch::RestackDone() {
  m_aboveUs.clear();
  m_restackNeeded = false;
}

}  // namespace veltane::platform
