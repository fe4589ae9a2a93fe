#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "testing/temp_dir.h"
#include "tests/settings/text_files.h"

namespace veltane::settings {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

constexpr std::int32_t kDefault = 4242;

// Sets or clears an environment variable for one test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_old) {
      setenv(m_name, m_old->c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStore MakeStore(const std::string& name = "veltane") const {
    SettingsStore store(name, (m_root / "config").string());
    store.SetRegistryKey(kRegistryKey);
    return store;
  }
  fs::path File() const { return m_root / "config" / kRegistryKey / "veltane.conf"; }

  veltane::test::TempDir m_root;
};

TEST_F(SettingsStoreTest, ProfileNameIsTheApplicationNameOnceTheKeyIsSet) {
  SettingsStore store("Veltane", (m_root / "config").string());
  EXPECT_EQ(store.ProfileName(), "");
  store.SetRegistryKey(kRegistryKey);
  EXPECT_EQ(store.RegistryKey(), kRegistryKey);
  EXPECT_EQ(store.ApplicationName(), "Veltane");
  EXPECT_EQ(store.ProfileName(), "Veltane");
  EXPECT_EQ(store.FilePath(), (m_root / "config" / kRegistryKey / "Veltane.conf").string());
}

TEST_F(SettingsStoreTest, EmptyStoreGivesDefaultsAndLeavesAFileWithoutValues) {
  SettingsStore store = MakeStore();
  umask(022);
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayOn", 0), 0);
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayTime", 10), 10);
  EXPECT_EQ(store.GetProfileInt("veltane", "BurnTime", kDefault), kDefault);
  ASSERT_TRUE(fs::is_regular_file(File()));
  EXPECT_EQ(fs::file_size(File()), 0u);
  EXPECT_EQ(fs::status(m_root / "config").permissions(), fs::perms::owner_all);
  // Nothing but the file is left behind by the reads.
  EXPECT_EQ(std::distance(fs::directory_iterator(File().parent_path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsStoreTest, WritesLandInOrderAsPlainIniTextWithUnsignedNumbers) {
  SettingsStore store = MakeStore();
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 1));
  EXPECT_EQ(ReadText(File()), "[veltane]\nDelayOn=1\n");
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayTime", 50));
  ASSERT_TRUE(store.WriteProfileInt("veltane", "BurnTime", -1));
  EXPECT_EQ(ReadText(File()), "[veltane]\nDelayOn=1\nDelayTime=50\nBurnTime=4294967295\n");
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 0));
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayOn", kDefault), 0);
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayTime", kDefault), 50);
  EXPECT_EQ(store.GetProfileInt("veltane", "BurnTime", kDefault), -1);
  // The lock file stays beside the settings file; no temporary file does.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(File().parent_path()))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"veltane.conf", "veltane.conf.lock"}));
}

TEST_F(SettingsStoreTest, SeveralValuesLandInTheOrderGivenAroundTheUsersLines) {
  SettingsStore store = MakeStore();
  ASSERT_EQ(store.WriteProfileInts("veltane", {{"DelayOn", 1}, {"DelayTime", 50}, {"BurnTime", -1}}),
            std::error_code());
  EXPECT_EQ(ReadText(File()), "[veltane]\nDelayOn=1\nDelayTime=50\nBurnTime=4294967295\n");
  WriteText(File(), "[veltane]\nBurnTime=3\n; mine\n");
  ASSERT_EQ(store.WriteProfileInts("veltane", {{"DelayOn", 0}, {"DelayTime", 9}, {"BurnTime", 4}}),
            std::error_code());
  EXPECT_EQ(ReadText(File()), "[veltane]\nBurnTime=4\nDelayOn=0\nDelayTime=9\n; mine\n");
}

TEST_F(SettingsStoreTest, WriteKeepsWhatElseTheFileHolds) {
  WriteText(File(), "[other]\nDelayOn=7\n\n[veltane]\nColour=blue\nDelayOn=3\n");
  SettingsStore store = MakeStore();
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 1));
  EXPECT_EQ(ReadText(File()), "[other]\nDelayOn=7\n\n[veltane]\nColour=blue\nDelayOn=1\n");
  EXPECT_EQ(store.GetProfileInt("other", "DelayOn", kDefault), 7);
}

TEST_F(SettingsStoreTest, MalformedFileStillTakesAWrite) {
  WriteText(File(), "a line without a value\n[veltane]\nDelayTime=5\n");
  SettingsStore store = MakeStore();
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayTime", kDefault), 5);
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 1));
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayOn", kDefault), 1);
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayTime", kDefault), 5);
}

TEST_F(SettingsStoreTest, WriteKeepsTheFilePermissions) {
  umask(022);
  SettingsStore store = MakeStore();
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 1));
  EXPECT_EQ(fs::status(File()).permissions(), fs::perms(0644));
  fs::permissions(File(), fs::perms(0600));
  ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayOn", 0));
  EXPECT_EQ(fs::status(File()).permissions(), fs::perms(0600));
}

TEST_F(SettingsStoreTest, OnlyDecimal32BitNumbersAreRead) {
  struct Case {
    const char* stored;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"DelayOn=500", 500},
      {"DelayOn=0", 0},
      {"DelayOn=007", 7},
      {"DelayOn= 12 ", 12},
      {"DelayOn=\"12\"", 12},
      {"DelayOn=-5", -5},
      {"DelayOn=2147483647", INT32_MAX},
      {"DelayOn=2147483648", INT32_MIN},
      {"DelayOn=4294967295", -1},
      {"DelayOn=-2147483648", INT32_MIN},
      {"DelayOn=4294967296", kDefault},
      {"DelayOn=-2147483649", kDefault},
      {"DelayOn=99999999999999999999999", kDefault},
      {"DelayOn=ten", kDefault},
      {"DelayOn=1.5", kDefault},
      {"DelayOn=1e3", kDefault},
      {"DelayOn=0x10", kDefault},
      {"DelayOn=+5", kDefault},
      {"DelayOn=12abc", kDefault},
      {"DelayOn=", kDefault},
      {"DelayOn=1, 2", kDefault},
      {"DelayOn=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)", kDefault},
      {"delayon=1", kDefault},
      {"DelayOnX=1", kDefault},
  };
  SettingsStore store = MakeStore();
  for (const Case& c : cases) {
    WriteText(File(), std::string("[veltane]\n") + c.stored + "\n");
    EXPECT_EQ(store.GetProfileInt("veltane", "DelayOn", kDefault), c.expected) << c.stored;
  }
  WriteText(File(), "[Veltane]\nDelayOn=1\n");
  EXPECT_EQ(store.GetProfileInt("veltane", "DelayOn", kDefault), kDefault);
}

// Another process may change the file between two reads and leave it the same size in the same millisecond,
// which the fixed modification time stands for.
TEST_F(SettingsStoreTest, EveryReadSeesTheFileAsItIsNow) {
  SettingsStore store = MakeStore();
  const fs::file_time_type sameMoment = fs::file_time_type::clock::now();
  for (int round = 0; round < 4; ++round) {
    WriteText(File(), "[veltane]\nDelayOn=" + std::to_string(round % 2) + "\n");
    fs::last_write_time(File(), sameMoment);
    ASSERT_EQ(store.GetProfileInt("veltane", "DelayOn", kDefault), round % 2) << "round " << round;
  }
}

TEST_F(SettingsStoreTest, WriteBuildsOnTheFileAsItIsNow) {
  SettingsStore store = MakeStore();
  for (int round = 0; round < 4; ++round) {
    ASSERT_TRUE(store.WriteProfileInt("veltane", "DelayTime", round % 2));
    // Another program changes the value within the same millisecond, leaving the file just as long.
    const fs::file_time_type written = fs::last_write_time(File());
    WriteText(File(), "[veltane]\nDelayTime=" + std::to_string(1 - round % 2) + "\n");
    fs::last_write_time(File(), written);
    ASSERT_TRUE(store.WriteProfileInt("veltane", "BurnTime", round));
    ASSERT_EQ(store.GetProfileInt("veltane", "DelayTime", kDefault), 1 - round % 2) << "round " << round;
  }
}

TEST_F(SettingsStoreTest, ConfigurationHomeFollowsTheEnvironment) {
  const std::string home = (m_root / "home").string();
  const std::string xdg = (m_root / "xdg").string();
  struct Case {
    std::optional<std::string> xdgConfigHome;
    std::string expectedHome;
  };
  const Case cases[] = {
      {xdg, xdg},
      {std::nullopt, home + "/.config"},
      {"", home + "/.config"},
      {"relative/config", home + "/.config"},
  };
  ScopedEnv homeEnv("HOME", home);
  for (const Case& c : cases) {
    ScopedEnv xdgEnv("XDG_CONFIG_HOME", c.xdgConfigHome);
    SettingsStore store("veltane");
    store.SetRegistryKey(kRegistryKey);
    EXPECT_EQ(store.FilePath(), c.expectedHome + "/" + kRegistryKey + "/veltane.conf")
        << c.xdgConfigHome.value_or("(unset)");
  }
}

TEST_F(SettingsStoreTest, WithoutHomeVariableThePasswordEntryGivesTheHome) {
  ScopedEnv xdgEnv("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv homeEnv("HOME", std::nullopt);
  SettingsStore store("veltane");
  store.SetRegistryKey(kRegistryKey);
  const std::string expected =
      fs::path(getpwuid(getuid())->pw_dir) / ".config" / kRegistryKey / "veltane.conf";
  EXPECT_EQ(store.FilePath(), expected);
}

TEST(ApplicationName, IsTheExecutableFileNameCutAtItsLastDot) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"/usr/bin/veltane", "veltane"},
      {"/x/veltane.scr", "veltane"},
      {"/opt/v1.2/veltane", "veltane"},
      {"/opt/v1.2/veltane.bin", "veltane"},
      {"/x/my.flame.saver", "my.flame"},
      {"/x/VELTANE.SCR", "VELTANE"},
      {"/x/veltane.", "veltane"},
      {"veltane.scr", "veltane"},
      {"/x/y z/flame saver", "flame saver"},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsStore::ApplicationNameFromPath(c.path), c.name) << c.path;
  const std::string longName(300, 'v');
  EXPECT_EQ(SettingsStore::ApplicationNameFromPath("/" + std::string(300, 'd') + "/" + longName + ".scr"),
            longName);
}

TEST(ApplicationSettings, IsTheProcessStoreUnlessAnotherIsInUse) {
  SettingsStore own("private", "/nonexistent");
  UseSettingsStore(&own);
  EXPECT_EQ(&ApplicationSettings(), &own);
  UseSettingsStore(nullptr);
  EXPECT_NE(&ApplicationSettings(), &own);
  EXPECT_EQ(&ApplicationSettings(), &ApplicationSettings());
  EXPECT_EQ(ApplicationSettings().ApplicationName(), "settings_settings_store_test");
}

}  // namespace
}  // namespace veltane::settings
