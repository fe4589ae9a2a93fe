#pragma once
// The pace at which one window's pictures go to the display. What is drawn accumulates as damage; a picture
// of it goes out once the display has refreshed since the last picture, and then the next refresh is asked
// for. So the display gets at most one picture a refresh, always the newest, and nothing drawn in between
// is lost: it is part of the damage that the next picture carries.

#include <cstdint>

#include "platform/win_types.h"

namespace veltane::platform {

class RefreshPacer {
 public:
  // Microseconds on a clock that never goes back.
  using Clock = std::int64_t (*)();

  // Refreshes that the display reports, through Refreshed().
  RefreshPacer() = default;
  // Refreshes that come by the clock, one every interval microseconds, for a display that reports none.
  // An interval of 0 makes every moment a refresh: each picture goes out as soon as it is drawn.
  RefreshPacer(Clock clock, std::int64_t interval);

  void Damage(const Rect& rect) { m_damage = Union(m_damage, rect); }
  const Rect& Damage() const { return m_damage; }
  // The display has shown a refresh.
  void Refreshed() { m_refreshed = true; }
  // Whether damage waits and the display has refreshed since the last picture; the first needs no refresh.
  bool Due() const { return !m_damage.IsEmpty() && (m_refreshed || ClockRefreshed()); }
  // The caller has sent the damage: it is cleared, and the next picture waits for the next refresh.
  void Sent();
  // How long until a picture is due, in whole milliseconds rounded up: 0 when one is due now, -1 when
  // none waits or the next refresh is the display's to report.
  int MillisecondsUntilDue() const;

 private:
  bool ClockRefreshed() const { return m_clock != nullptr && m_clock() >= m_nextRefresh; }

  Rect m_damage;
  bool m_refreshed = true;
  Clock m_clock = nullptr;
  std::int64_t m_interval = 0;
  std::int64_t m_nextRefresh = 0;
};

}  // namespace veltane::platform
