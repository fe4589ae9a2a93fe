#pragma once
// The run-time values a flame window takes from the store when a run starts.

#include <cstdint>

#include "settings/settings_store.h"

namespace veltane::settings {

struct RunSettings {
  std::int32_t DelayOn = 0;
  std::uint32_t DelayTime = 10;
  std::uint32_t StagePeriod = 0;
};

// ((minutes * 1000) / 6) * 60 in unsigned 32-bit arithmetic: the division comes first.
std::uint32_t StagePeriodFromBurnTime(std::uint32_t burnMinutes);

// Reads DelayOn (default 0; only a stored 1 is on), DelayTime (default 10, at most 5000) and BurnTime
// (default 10) from the store's profile section.
RunSettings LoadRunSettings(SettingsStore& store);

}  // namespace veltane::settings
