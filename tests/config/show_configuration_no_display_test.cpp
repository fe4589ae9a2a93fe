// Runs without any application and without a display, as `veltane c` does from a text console.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/configuration_module.h"
#include "config/show_configuration.h"
#include "settings/settings_store.h"

namespace veltane::config {
namespace {

TEST(ShowConfigurationWithoutDisplay, SaysNoWindowAndWritesNothing) {
  QTemporaryDir home;
  settings::SettingsStore store("veltane", home.path().toStdString());
  store.SetRegistryKey(settings::kRegistryKey);
  EXPECT_EQ(ShowConfiguration(app::ProfileAccessOf(store)), ConfigurationOutcome::NoWindow);
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
  for (const char* entry : {"DelayOn", "DelayTime", "BurnTime"}) {
    EXPECT_EQ(store.GetProfileInt(store.ProfileName(), entry, -1), -1) << entry;
  }
}

}  // namespace
}  // namespace veltane::config

int main(int argc, char** argv) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
