#include "platform/refresh_pacer.h"

namespace veltane::platform {

RefreshPacer::RefreshPacer(Clock clock, std::int64_t interval) : m_clock(clock), m_interval(interval) {}

// A clock's refreshes keep to their own grid: a picture sent late does not put the next one off.
void RefreshPacer::Sent() {
  m_damage = Rect{};
  m_refreshed = false;
  if (m_clock == nullptr) return;
  const std::int64_t now = m_clock();
  if (m_interval <= 0) {
    m_nextRefresh = now;
  } else if (m_nextRefresh <= now) {
    m_nextRefresh += ((now - m_nextRefresh) / m_interval + 1) * m_interval;
  }
}

int RefreshPacer::MillisecondsUntilDue() const {
  if (m_damage.IsEmpty()) return -1;
  if (m_refreshed) return 0;
  if (m_clock == nullptr) return -1;
  const std::int64_t left = m_nextRefresh - m_clock();
  return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

}  // namespace veltane::platform
