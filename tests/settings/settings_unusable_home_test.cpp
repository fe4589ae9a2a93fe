// Runs as an ordinary user (see the build file): root would read and write past every permission here.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "testing/temp_dir.h"
#include "tests/settings/text_files.h"

namespace veltane::settings {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

TEST(UnusableConfigurationHome, GivesWhatCanBeReadAndFailedWritesSilently) {
  // What a read gives when nothing can be read: the caller's default, never a stored value.
  constexpr std::int32_t kDefault = 4242;
  ASSERT_NE(geteuid(), 0u) << "run this test through the ordinary-user wrapper";
  const veltane::test::TempDir root;
  const fs::path home = root / "config";
  const fs::path company = home / kRegistryKey;
  const fs::path file = company / "veltane.conf";
  const std::string stored = "[veltane]\nBurnTime=33\n";
  struct Case {
    const char* name;
    fs::path configHome;
    std::function<void()> make;
    std::int32_t expectedRead;
    fs::path unchanged;
  };
  const Case cases[] = {
      {"read-only home",
       home,
       [&] {
         fs::create_directory(home);
         fs::permissions(home, fs::perms(0500));
       },
       kDefault,
       {}},
      {"read-only company folder", home,
       [&] {
         fs::create_directories(company);
         WriteText(file, stored);
         fs::permissions(company, fs::perms(0500));
       },
       33, file},
      {"unreadable file",
       home,
       [&] {
         fs::create_directories(company);
         WriteText(file, stored);
         fs::permissions(file, fs::perms(0200));
       },
       kDefault,
       {}},
      {"company folder is a file", home,
       [&] {
         fs::create_directories(home);
         WriteText(company, stored);
       },
       kDefault, company},
      {"home is a file", home, [&] { WriteText(home, stored); }, kDefault, home},
      {"home below a file", home / "sub", [&] { WriteText(home, stored); }, kDefault, home},
      {"missing parent", root / "missing" / "config", [] {}, kDefault, {}},
  };
  for (const Case& c : cases) {
    c.make();
    const std::string before = c.unchanged.empty() ? "" : ReadText(c.unchanged);
    SettingsStore store("veltane", c.configHome.string());
    store.SetRegistryKey(kRegistryKey);
    testing::internal::CaptureStderr();
    EXPECT_EQ(store.GetProfileInt("veltane", "BurnTime", kDefault), c.expectedRead) << c.name;
    EXPECT_FALSE(store.WriteProfileInt("veltane", "BurnTime", 5)) << c.name;
    EXPECT_EQ(store.GetProfileInt("veltane", "BurnTime", kDefault), c.expectedRead) << c.name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.name;
    if (!before.empty()) {
      EXPECT_EQ(ReadText(c.unchanged), before) << c.name;
    }
    EXPECT_FALSE(fs::exists(root / "missing")) << c.name;
    std::error_code ignored;
    for (const fs::path& path : {home, company, file}) fs::permissions(path, fs::perms::owner_all, ignored);
    fs::remove_all(home);
  }
}

}  // namespace
}  // namespace veltane::settings
