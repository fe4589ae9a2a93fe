#include "platform/x11/stacking_watch.h"

namespace veltane::platform::x11 {

void StackingWatch::Created(Id window) {
  if (!IsOurs(window)) m_aboveUs.insert(window);
}

// A plain map of a window that lay below ours keeps it below, but raising ours for it costs little and
// does no harm, so every window that is shown counts as one that may show above ours.
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

}  // namespace veltane::platform::x11
