#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "settings/run_settings.h"
#include "settings/settings_store.h"
#include "testing/temp_dir.h"

namespace veltane::settings {
namespace {

TEST(StagePeriodFromBurnTime, DividesBeforeTheLastMultiplicationAndWraps) {
  struct Case {
    std::uint32_t burnMinutes;
    std::uint32_t stagePeriod;
  };
  const Case cases[] = {
      {0, 0},
      {1, 9'960},
      {2, 19'980},
      {5, 49'980},
      {10, 99'960},
      {15, 150'000},
      {20, 199'980},
      {30, 300'000},
      {60, 600'000},
      {4'294'967, 4'294'964'316},
      {4'294'968, 7'020},
      {4'294'967'295, 4'294'957'296},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StagePeriodFromBurnTime(c.burnMinutes), c.stagePeriod) << c.burnMinutes;
}

class LoadRunSettingsTest : public ::testing::Test {
 protected:
  LoadRunSettingsTest() { m_store.SetRegistryKey(settings::kRegistryKey); }

  void Store(const char* entry, std::int32_t value) {
    ASSERT_TRUE(m_store.WriteProfileInt(m_store.ProfileName(), entry, value));
  }

  veltane::test::TempDir m_root;
  SettingsStore m_store{"veltane", m_root.String()};
};

TEST_F(LoadRunSettingsTest, EmptyStoreRunsWithoutSpeedControlAndTenMinutes) {
  const RunSettings settings = LoadRunSettings(m_store);
  EXPECT_EQ(settings.DelayOn, 0);
  EXPECT_EQ(settings.DelayTime, 10u);
  EXPECT_EQ(settings.StagePeriod, 99'960u);
}

TEST_F(LoadRunSettingsTest, SpeedControlIsOnOnlyForAStoredOne) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {{1, 1}, {0, 0}, {2, 0}, {-1, 0}, {257, 0}};
  for (const auto& [stored, expected] : cases) {
    Store("DelayOn", stored);
    EXPECT_EQ(LoadRunSettings(m_store).DelayOn, expected) << stored;
  }
}

TEST_F(LoadRunSettingsTest, DelayTimeIsTakenAsStoredUpToFiveSeconds) {
  const std::pair<std::int32_t, std::uint32_t> cases[] = {
      {500, 500}, {0, 0}, {1600, 1600}, {5000, 5000}, {5001, 5000}, {-1, 5000}, {2'000'000'000, 5000}};
  for (const auto& [stored, expected] : cases) {
    Store("DelayTime", stored);
    EXPECT_EQ(LoadRunSettings(m_store).DelayTime, expected) << stored;
  }
}

TEST_F(LoadRunSettingsTest, BurnTimeBecomesTheStagePeriod) {
  const std::pair<std::int32_t, std::uint32_t> cases[] = {
      {0, 0}, {20, 199'980}, {4'294'968, 7'020}, {-1, 4'294'957'296u}};
  for (const auto& [stored, expected] : cases) {
    Store("BurnTime", stored);
    EXPECT_EQ(LoadRunSettings(m_store).StagePeriod, expected) << stored;
  }
}

TEST_F(LoadRunSettingsTest, ReadsTheSectionNamedAfterTheProfile) {
  ASSERT_TRUE(m_store.WriteProfileInt("other", "DelayOn", 1));
  ASSERT_TRUE(m_store.WriteProfileInt("other", "BurnTime", 20));
  const RunSettings settings = LoadRunSettings(m_store);
  EXPECT_EQ(settings.DelayOn, 0);
  EXPECT_EQ(settings.StagePeriod, 99'960u);
}

}  // namespace
}  // namespace veltane::settings
