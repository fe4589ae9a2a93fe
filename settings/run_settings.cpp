#include "settings/run_settings.h"

namespace veltane::settings {
namespace {

constexpr std::int32_t kDelayOnDefault = 0;
constexpr std::int32_t kDelayTimeDefault = 10;
// The saver's own default; the configuration dialog offers 20 minutes on an empty store.
constexpr std::int32_t kBurnTimeDefault = 10;
constexpr std::uint32_t kMillisecondsPerSecond = 1000;
constexpr std::uint32_t kSecondsPerMinute = 60;
constexpr std::uint32_t kStages = 6;
// The delay gives way to input, but a delay of days (a hand-edited file) would still stop the flame and the
// stages for that long; five seconds lets anyone slow the flame to a crawl.
constexpr std::uint32_t kLongestDelayTime = 5000;

}  // namespace

// The division comes before the last multiplication, so a period loses up to 40 ms, and a burn time above
// 4,294,967 minutes wraps in the first multiplication; the stage timing keeps both.
std::uint32_t StagePeriodFromBurnTime(std::uint32_t burnMinutes) {
  return burnMinutes * kMillisecondsPerSecond / kStages * kSecondsPerMinute;
}

RunSettings LoadRunSettings(SettingsStore& store) {
  const std::string section = store.ProfileName();
  RunSettings settings;
  settings.DelayOn = store.GetProfileInt(section, "DelayOn", kDelayOnDefault) == 1 ? 1 : 0;
  const auto delayTime =
      static_cast<std::uint32_t>(store.GetProfileInt(section, "DelayTime", kDelayTimeDefault));
  settings.DelayTime = delayTime < kLongestDelayTime ? delayTime : kLongestDelayTime;
  const auto burnMinutes =
      static_cast<std::uint32_t>(store.GetProfileInt(section, "BurnTime", kBurnTimeDefault));
  settings.StagePeriod = StagePeriodFromBurnTime(burnMinutes);
  return settings;
}

}  // namespace veltane::settings
