#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_store.h"

namespace veltane::settings {
namespace {

namespace fs = std::filesystem;

constexpr long kRounds = 100;
// Enough reads to overlap the writer many times over, and a bound should the writer never end.
constexpr int kMaxReads = 200000;

struct Child {
  pid_t pid = -1;
  int output = -1;
};

Child Start(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::vector<std::string> all{program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  for (auto& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  return {pid, pipeEnds[0]};
}

// Reads the child's output to its end and waits for it; the result is its exit code, -1 for a signal.
int Finish(const Child& child, std::string* output = nullptr) {
  char buffer[256];
  ssize_t count = 0;
  while ((count = read(child.output, buffer, sizeof buffer)) > 0) {
    if (output != nullptr) output->append(buffer, static_cast<std::size_t>(count));
  }
  close(child.output);
  int status = 0;
  if (waitpid(child.pid, &status, 0) != child.pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Looks without reaping, so that Finish still collects the exit code.
bool HasEnded(const Child& child) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
         info.si_pid != 0;
}

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A whole file holds a header and complete "Key=number" lines; returns false for anything torn.
bool ParseWholeFile(const std::string& text, std::map<std::string, long>* values) {
  values->clear();
  if (text.empty()) return true;
  if (text.rfind("[veltane]\n", 0) != 0 || text.back() != '\n') return false;
  std::istringstream lines(text.substr(sizeof "[veltane]\n" - 1));
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals + 1 == line.size()) return false;
    const std::string digits = line.substr(equals + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    (*values)[line.substr(0, equals)] = std::stol(digits);
  }
  return true;
}

class SettingsProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "settings-processes-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    m_store.emplace("veltane", ConfigHome());
    m_store->SetRegistryKey("Quillon Screen Savers");
  }
  void TearDown() override { fs::remove_all(m_root); }

  std::string ConfigHome() const { return (m_root / "config").string(); }
  std::int32_t Read(const char* entry) { return m_store->GetProfileInt("veltane", entry, -1); }

  fs::path m_root;
  std::optional<SettingsStore> m_store;
};

TEST_F(SettingsProcesses, ReaderNeverSeesATornFileOrAnUnwrittenValue) {
  const Child writer = Start(VELTANE_SETTINGS_HELPER, {"write", ConfigHome(), std::to_string(kRounds),
                                                       "DelayOn", "DelayTime", "BurnTime"});
  ASSERT_GT(writer.pid, 0);
  std::int32_t lastBurn = -1;
  std::int32_t lastDelayOn = -1;
  int changesSeen = 0;
  for (int reads = 0; reads < kMaxReads && !HasEnded(writer); ++reads) {
    // Reading against the order of writing: each read sees the file as new as the one before or newer.
    const std::int32_t burn = Read("BurnTime");
    const std::int32_t delayTime = Read("DelayTime");
    const std::int32_t delayOn = Read("DelayOn");
    ASSERT_LE(lastBurn, burn);
    ASSERT_LE(burn, delayTime);
    ASSERT_LE(delayTime, delayOn);
    ASSERT_LE(delayOn, kRounds);
    if (delayOn != lastDelayOn) ++changesSeen;
    lastBurn = burn;
    lastDelayOn = delayOn;

    std::map<std::string, long> values;
    const std::string text = ReadText(m_store->FilePath());
    ASSERT_TRUE(ParseWholeFile(text, &values)) << text;
    ASSERT_GE(values["DelayOn"], values["DelayTime"]) << text;
    ASSERT_GE(values["DelayTime"], values["BurnTime"]) << text;
    ASSERT_LE(values["DelayOn"], values["BurnTime"] + 1) << text;
  }
  ASSERT_EQ(Finish(writer), 0);
  EXPECT_EQ(Read("DelayOn"), kRounds);
  EXPECT_EQ(Read("DelayTime"), kRounds);
  EXPECT_EQ(Read("BurnTime"), kRounds);
  RecordProperty("changesSeen", changesSeen);
}

TEST_F(SettingsProcesses, TwoWritersNeverLoseEachOthersValues) {
  const Child first =
      Start(VELTANE_SETTINGS_HELPER, {"write", ConfigHome(), std::to_string(kRounds), "DelayOn"});
  const Child second =
      Start(VELTANE_SETTINGS_HELPER, {"write", ConfigHome(), std::to_string(kRounds), "DelayTime"});
  ASSERT_GT(first.pid, 0);
  ASSERT_GT(second.pid, 0);
  std::int32_t lastDelayOn = -1;
  std::int32_t lastDelayTime = -1;
  for (int reads = 0; reads < kMaxReads && !(HasEnded(first) && HasEnded(second)); ++reads) {
    const std::int32_t delayOn = Read("DelayOn");
    const std::int32_t delayTime = Read("DelayTime");
    // A writer that saved the file from a stale copy would take the other writer's value back.
    ASSERT_LE(lastDelayOn, delayOn);
    ASSERT_LE(lastDelayTime, delayTime);
    lastDelayOn = delayOn;
    lastDelayTime = delayTime;
  }
  ASSERT_EQ(Finish(first), 0);
  ASSERT_EQ(Finish(second), 0);
  EXPECT_EQ(Read("DelayOn"), kRounds);
  EXPECT_EQ(Read("DelayTime"), kRounds);
}

std::string NameReportedBy(const fs::path& program, const char* mode = "name") {
  std::string output;
  const int code = Finish(Start(program.string(), {mode}), &output);
  return code == 0 ? output : "exit code " + std::to_string(code);
}

TEST_F(SettingsProcesses, ApplicationNameComesFromTheRunningExecutable) {
  struct Case {
    const char* installedAs;
    const char* name;
  };
  const Case cases[] = {
      {"bin/veltane", "veltane\n"},
      {"v1.2/veltane", "veltane\n"},
      {"x/VELTANE.SCR", "VELTANE\n"},
      {"x/flame.saver.bin", "flame.saver\n"},
  };
  for (const Case& c : cases) {
    const fs::path program = m_root / c.installedAs;
    fs::create_directories(program.parent_path());
    fs::copy_file(VELTANE_SETTINGS_HELPER, program);
    EXPECT_EQ(NameReportedBy(program), c.name) << c.installedAs;
  }
}

TEST_F(SettingsProcesses, ApplicationNameSurvivesTheExecutableBeingRemoved) {
  const fs::path program = m_root / "veltane.scr";
  fs::copy_file(VELTANE_SETTINGS_HELPER, program);
  EXPECT_EQ(NameReportedBy(program, "name-after-unlink"), "veltane\n");
  EXPECT_FALSE(fs::exists(program));
}

}  // namespace
}  // namespace veltane::settings
