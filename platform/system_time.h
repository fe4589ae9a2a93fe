#pragma once
// The system's clocks, as the real backends give them.

#include <cstdint>

namespace veltane::platform {

// CLOCK_MONOTONIC in milliseconds, truncated to 32 bits so that it wraps as the tick count does.
std::uint32_t SystemTickCount();
// CLOCK_MONOTONIC in microseconds, which the real backends pace their pictures by.
std::int64_t SystemMicroseconds();
// The calendar time in whole seconds.
std::int64_t SystemCalendarTime();

}  // namespace veltane::platform
