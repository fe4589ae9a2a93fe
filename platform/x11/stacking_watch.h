#pragma once
// Tells, from the window system's notices about the top-level windows, when a window of another client may
// have come above ours, so that ours are raised again then and only then, never on every frame.

#include <cstdint>
#include <unordered_set>

namespace veltane::platform::x11 {

class StackingWatch {
 public:
  using Id = std::uint32_t;

  // Our windows, which the notices about them never concern.
  void AddOurs(Id window) { m_ours.insert(window); }
  void RemoveOurs(Id window) { m_ours.erase(window); }
  bool IsOurs(Id window) const { return m_ours.contains(window); }

  // A new top-level window, which starts above all its siblings: above ours, though not yet shown.
  void Created(Id window);
  // A top-level window was shown. One above ours is then visible; one below stays below.
  void Mapped(Id window);
  // A top-level window now lies directly above the sibling `below` (0: at the bottom).
  void Restacked(Id window, Id below);
  // A top-level window was moved to the top of the stack, as by circulation or adoption by the root.
  void MovedToTop(Id window);
  void Destroyed(Id window);

  bool RestackNeeded() const { return m_restackNeeded; }
  // Ours were raised above everything: every other window lies below them now.
  void RestackDone();

 private:
  bool IsAboveUs(Id window) const { return m_ours.contains(window) || m_aboveUs.contains(window); }

  std::unordered_set<Id> m_ours;
  // Other clients' windows that lie above ours: hidden ones, and shown ones until the restack.
  std::unordered_set<Id> m_aboveUs;
  bool m_restackNeeded = false;
};

}  // namespace veltane::platform::x11
