#include "settings/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "testing/temp_dir.h"
#include "tests/settings/text_files.h"

namespace veltane::settings {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

constexpr unsigned kHangGuardSeconds = 20;

std::string Entries(const fs::path& folder) {
  std::string names;
  for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + ' ';
  return names;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "company");
    fs::create_directories(m_root / "dotfiles");
    // A read that blocks would hang the test; the alarm ends it instead.
    alarm(kHangGuardSeconds);
  }
  void TearDown() override { alarm(0); }
  fs::path File() const { return m_root / "company" / "veltane.conf"; }
  static std::string Append(std::string_view text) { return std::string(text) + "BurnTime=45\n"; }

  veltane::test::TempDir m_root;
};

TEST_F(SettingsFileTest, ALinkStaysALinkAndItsTargetGetsTheNewVersion) {
  const fs::path target = m_root / "dotfiles" / "veltane.conf";
  struct Case {
    const char* name;
    std::function<void()> makeLink;
  };
  const Case cases[] = {
      {"relative link", [&] { fs::create_symlink("../dotfiles/veltane.conf", File()); }},
      {"absolute link", [&] { fs::create_symlink(target, File()); }},
      {"link to a link",
       [&] {
         fs::create_symlink(target, m_root / "dotfiles" / "current");
         fs::create_symlink("../dotfiles/current", File());
       }},
  };
  for (const Case& c : cases) {
    WriteText(target, "; kept\n");
    fs::permissions(target, fs::perms(0640));
    c.makeLink();
    const fs::path linkTarget = fs::read_symlink(File());
    ASSERT_EQ(EditSettingsFile(File().string(), Append), std::error_code()) << c.name;
    EXPECT_TRUE(fs::is_symlink(File())) << c.name;
    EXPECT_EQ(fs::read_symlink(File()), linkTarget) << c.name;
    EXPECT_EQ(ReadText(target), "; kept\nBurnTime=45\n") << c.name;
    EXPECT_EQ(ReadSettingsFile(File().string(), true), "; kept\nBurnTime=45\n") << c.name;
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640)) << c.name;
    fs::remove(File());
    fs::remove(m_root / "dotfiles" / "current");
    EXPECT_EQ(Entries(m_root / "dotfiles"), "veltane.conf ") << c.name;
  }
}

// Nothing here may block a read, be replaced by a write, or be read whole.
TEST_F(SettingsFileTest, AnythingButASmallRegularFileReadsAsNothingAndIsNeverWritten) {
  const std::string large = "[veltane]\nDelayOn=1\n" + std::string(kLargestSettingsFile, ';');
  struct Case {
    const char* name;
    std::function<void()> make;
    std::errc error;  // why a write fails
  };
  const Case cases[] = {
      {"named pipe", [&] { ASSERT_EQ(mkfifo(File().c_str(), 0600), 0); }, std::errc::not_supported},
      {"link to a named pipe",
       [&] {
         ASSERT_EQ(mkfifo((m_root / "dotfiles" / "pipe").c_str(), 0600), 0);
         fs::create_symlink(m_root / "dotfiles" / "pipe", File());
       },
       std::errc::not_supported},
      {"link to a device", [&] { fs::create_symlink("/dev/zero", File()); }, std::errc::not_supported},
      {"folder", [&] { fs::create_directory(File()); }, std::errc::is_a_directory},
      {"link loop",
       [&] {
         fs::create_symlink(File(), m_root / "dotfiles" / "loop");
         fs::create_symlink(m_root / "dotfiles" / "loop", File());
       },
       std::errc::too_many_symbolic_link_levels},
      {"link to nothing", [&] { fs::create_symlink(m_root / "dotfiles" / "missing", File()); },
       std::errc::no_such_file_or_directory},
      {"file over the size", [&] { WriteText(File(), large); }, std::errc::file_too_large},
  };
  for (const Case& c : cases) {
    fs::remove_all(File());
    fs::remove_all(m_root / "dotfiles");
    fs::create_directories(m_root / "dotfiles");
    c.make();
    const fs::file_type before = fs::symlink_status(File()).type();
    EXPECT_EQ(ReadSettingsFile(File().string(), true), std::nullopt) << c.name;
    EXPECT_EQ(EditSettingsFile(File().string(), Append), std::make_error_code(c.error)) << c.name;
    EXPECT_EQ(fs::symlink_status(File()).type(), before) << c.name;
  }
  EXPECT_EQ(ReadText(File()), large);
  WriteText(File(), large.substr(0, kLargestSettingsFile));
  EXPECT_EQ(ReadSettingsFile(File().string(), true), large.substr(0, kLargestSettingsFile));
}

TEST_F(SettingsFileTest, AMissingFileIsCreatedEmptyOnlyWhenAsked) {
  EXPECT_EQ(ReadSettingsFile(File().string(), false), "");
  EXPECT_FALSE(fs::exists(File()));
  EXPECT_EQ(ReadSettingsFile(File().string(), true), "");
  EXPECT_TRUE(fs::is_regular_file(File()));
  ASSERT_EQ(EditSettingsFile(File().string(), Append), std::error_code());
  EXPECT_EQ(ReadText(File()), "BurnTime=45\n");
}

}  // namespace
}  // namespace veltane::settings
