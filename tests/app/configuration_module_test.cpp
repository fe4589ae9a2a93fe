#include "app/configuration_module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace veltane::app {
namespace {

namespace fs = std::filesystem;

// Whatever is wrong with the module, the mode ends with one line that says what and a code that tells a
// failure, and the store is not written.
TEST(RunConfiguration, EndsWithOneLineAndCodeOneWhenTheDialogCannotBeHad) {
  const fs::path root = fs::temp_directory_path() / ("configuration-module-" + std::to_string(getpid()));
  fs::create_directories(root);
  std::ofstream(root / "broken.so") << "not a shared object";
  struct Case {
    std::string module;
    const char* line;
  };
  const Case cases[] = {
      {(root / "missing.so").string(), "veltane: cannot load the configuration dialog: "},
      {(root / "broken.so").string(), "veltane: cannot load the configuration dialog: "},
      {VELTANE_OTHER_LIBRARY,
       "veltane: cannot load the configuration dialog: " VELTANE_OTHER_LIBRARY " has no "},
      {VELTANE_CONFIG_MODULE_FILE,
       "veltane: cannot show the configuration dialog: no window can be shown here\n"},
  };
  const char* display = std::getenv("DISPLAY");
  const std::string savedDisplay = display != nullptr ? display : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  settings::SettingsStore store("veltane", (root / "config").string());
  store.SetRegistryKey(settings::kRegistryKey);
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunConfiguration(store, c.module), 1) << c.module;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind(c.line, 0), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_EQ(store.GetProfileInt("veltane", "BurnTime", -1), -1) << c.module;
  }
  if (!savedDisplay.empty()) setenv("DISPLAY", savedDisplay.c_str(), 1);
  fs::remove_all(root);
}

}  // namespace
}  // namespace veltane::app
