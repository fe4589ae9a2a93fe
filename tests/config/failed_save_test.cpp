// OK where the values cannot be stored: the dialog says so and why, the mode ends with code 1, and the file
// stays exactly as it was. Runs as an ordinary user (see the build file), in mount namespaces of its own for
// the file systems that are full or read-only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/configuration_module.h"
#include "config/show_configuration.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"
#include "testing/private_mounts.h"
#include "testing/temp_dir.h"
#include "tests/config/modal_driver.h"
#include "tests/settings/text_files.h"

namespace veltane::config {
namespace {

namespace fs = std::filesystem;
using settings::test::ReadText;
using settings::test::WriteText;

std::string g_noPrivateMounts;

constexpr std::size_t kSmallFileSystem = 64 * 1024;
constexpr char kStored[] = "; mine\n[veltane]\nDelayOn=1\nDelayTime=7\nBurnTime=33\n";

// What can be seen of a path without changing it: its kind, inode, size, time and mode, and its text where
// it can be read.
std::string Snapshot(const fs::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "nothing";
  return std::to_string(info.st_mode) + ' ' + std::to_string(info.st_ino) + ' ' +
         std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) + '.' +
         std::to_string(info.st_mtim.tv_nsec) + '\n' +
         (S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0 ? ReadText(path) : "");
}

enum class Fault {
  FullFileSystem,
  ReadOnlyFileSystem,
  ReadOnlyFile,
  ReadOnlyFolder,
  UnreadableFile,
  FolderAtThePath,
  FileOverTheSize,
  DanglingLink
};

struct FailedSaveCase {
  const char* name;
  Fault fault;
  const char* reason;
};

void PrintTo(const FailedSaveCase& c, std::ostream* out) { *out << c.name; }

class FailedSaveTest : public testing::TestWithParam<FailedSaveCase> {
 protected:
  void SetUp() override {
    ASSERT_NE(geteuid(), 0u) << "run this test through the ordinary-user wrapper";
    m_oldHome = std::getenv("HOME");
    setenv("HOME", m_home.String().c_str(), 1);
  }
  void TearDown() override {
    if (m_oldHome) setenv("HOME", m_oldHome->c_str(), 1);
  }

  fs::path Company() const { return m_home / ".config" / settings::kRegistryKey; }
  fs::path File() const { return Company() / "veltane.conf"; }

  // Puts the fault in place over the stored values; empty, or why the fault cannot be had here.
  std::string MakeFault(Fault fault) {
    WriteText(File(), kStored);
    switch (fault) {
      case Fault::FullFileSystem:
      case Fault::ReadOnlyFileSystem: return MountCompany(fault == Fault::FullFileSystem);
      case Fault::ReadOnlyFile: fs::permissions(File(), fs::perms(0444)); break;
      case Fault::ReadOnlyFolder: fs::permissions(Company(), fs::perms(0555)); break;
      case Fault::UnreadableFile: fs::permissions(File(), fs::perms(0200)); break;
      case Fault::FolderAtThePath:
        fs::remove(File());
        fs::create_directory(File());
        break;
      case Fault::FileOverTheSize:
        WriteText(File(), kStored + std::string(settings::kLargestSettingsFile, ';'));
        break;
      case Fault::DanglingLink:
        fs::remove(File());
        fs::create_symlink("gone.conf", File());
        break;
    }
    return {};
  }

  // The company folder on a small file system of its own with the values stored, full or read-only.
  std::string MountCompany(bool full) {
    if (!g_noPrivateMounts.empty()) return g_noPrivateMounts;
    m_mount.emplace(Company(), kSmallFileSystem);
    if (!m_mount->Error().empty()) return m_mount->Error();
    WriteText(File(), kStored);
    EXPECT_TRUE(full ? m_mount->Fill("filler") : m_mount->MakeReadOnly());
    return {};
  }

  veltane::test::TempDir m_home;
  std::optional<veltane::test::ScopedMount> m_mount;
  std::optional<std::string> m_oldHome;
};

TEST_P(FailedSaveTest, OkSaysWhyTheValuesWereNotStoredEndsWithCodeOneAndLeavesTheFile) {
  const FailedSaveCase& c = GetParam();
  if (const std::string missing = MakeFault(c.fault); !missing.empty()) {
    GTEST_SKIP() << "no file system of its own: " << missing;
  }
  const std::string before = Snapshot(File());
  settings::SettingsStore store("veltane", (m_home / ".config").string());
  store.SetRegistryKey(settings::kRegistryKey);

  test::SeenMessage message;
  bool closed = false;
  test::WhenModal([&](QWidget& window) {
    {
      const test::MessageAnswerer answerer;
      test::PressKey(window, Qt::Key_Return);
      message = answerer.Seen();
    }
    closed = !window.isVisible();
  });
  testing::internal::CaptureStderr();
  const ConfigurationOutcome outcome = ShowConfiguration(app::ProfileAccessOf(store));
  const std::string said = testing::internal::GetCapturedStderr();

  const std::string sentence = std::string("Veltane could not save its settings to ~/.config/") +
                               settings::kRegistryKey + "/veltane.conf: " + c.reason + ".";
  EXPECT_EQ(app::ConfigurationExitCode(outcome), 1);
  EXPECT_TRUE(message.shown);
  EXPECT_EQ(message.text.toStdString(), sentence);
  EXPECT_EQ(message.caption, QStringLiteral("veltane"));
  EXPECT_EQ(message.icon, QMessageBox::Warning);
  EXPECT_EQ(message.ownerName, QStringLiteral("configDlg"));
  EXPECT_TRUE(message.ownerShown) << "the dialog went before the message came";
  EXPECT_TRUE(closed);
  // The offscreen platform has its own say on standard error, after the line.
  EXPECT_THAT(said, testing::StartsWith(sentence + "\n"));
  EXPECT_EQ(Snapshot(File()), before);
}

const FailedSaveCase kFaults[] = {
    {"FullFileSystem", Fault::FullFileSystem, "No space left on device"},
    {"ReadOnlyFileSystem", Fault::ReadOnlyFileSystem, "Read-only file system"},
    {"ReadOnlyFile", Fault::ReadOnlyFile, "Permission denied"},
    {"ReadOnlyFolder", Fault::ReadOnlyFolder, "Permission denied"},
    {"UnreadableFile", Fault::UnreadableFile, "Permission denied"},
    {"FolderAtThePath", Fault::FolderAtThePath, "Is a directory"},
    {"FileOverTheSize", Fault::FileOverTheSize, "File too large"},
    {"DanglingLink", Fault::DanglingLink, "No such file or directory"},
};

INSTANTIATE_TEST_SUITE_P(Faults, FailedSaveTest, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<FailedSaveCase>& row) {
                           return std::string(row.param.name);
                         });

TEST(SaveFailureText, ShowsAPathBelowTheHomeFromATilde) {
  struct Case {
    const char* path;
    const char* home;
    const char* said;
  };
  const Case cases[] = {
      {"/home/ann/.config/a.conf", "/home/ann", " to ~/.config/a.conf"},
      {"/home/ann/.config/a.conf", "/home/ann/", " to ~/.config/a.conf"},
      {"/home/anna/a.conf", "/home/ann", " to /home/anna/a.conf"},
      {"/srv/a.conf", "/", " to /srv/a.conf"},
      {"/srv/a.conf", "relative", " to /srv/a.conf"},
      {"", "/home/ann", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SaveFailureText(c.path, std::make_error_code(std::errc::no_space_on_device), c.home),
              std::string("Veltane could not save its settings") + c.said + ": No space left on device.")
        << c.path << " in " << c.home;
  }
}

}  // namespace
}  // namespace veltane::config

int main(int argc, char** argv) {
  // Before the toolkit starts any thread.
  veltane::config::g_noPrivateMounts = veltane::test::EnterPrivateMounts();
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
