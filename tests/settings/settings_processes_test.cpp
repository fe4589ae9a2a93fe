#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "testing/temp_dir.h"
#include "tests/settings/text_files.h"

namespace veltane::settings {
namespace {

namespace fs = std::filesystem;
using test::ReadText;

constexpr long kRounds = 1000;
constexpr int kKilledWriters = 200;
constexpr long kKilledWriterRounds = 1000000;
constexpr int kLongestKillDelayMicroseconds = 4000;
// How far the longest delay may grow for writers that are slow to start.
constexpr int kSlowestStartMicroseconds = 256000;
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

// What the user wrote around the three values, which every version of the file keeps.
constexpr const char* kBefore = "; my notes\n[veltane]\n";
constexpr const char* kAfter = "\n[other]\nDelayOn=7\n";

// A whole version: the user's lines and all three values; false for anything torn.
bool ParseWholeFile(const std::string& text, std::map<std::string, long>* values) {
  values->clear();
  const std::string before = kBefore;
  const std::string after = kAfter;
  if (text.size() < before.size() + after.size() || text.rfind(before, 0) != 0 ||
      text.compare(text.size() - after.size(), after.size(), after) != 0) {
    return false;
  }
  std::istringstream lines(text.substr(before.size(), text.size() - before.size() - after.size()));
  std::string line;
  for (const char* key : {"DelayOn", "DelayTime", "BurnTime"}) {
    if (!std::getline(lines, line) || line.rfind(std::string(key) + '=', 0) != 0) return false;
    const std::string digits = line.substr(std::string(key).size() + 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    (*values)[key] = std::stol(digits);
  }
  return !std::getline(lines, line);
}

// One writer writes round r to each value in turn, so a version holds one round, or the next one begun.
bool IsFromOneWriter(std::map<std::string, long>& values) {
  return values["DelayOn"] >= values["DelayTime"] && values["DelayTime"] >= values["BurnTime"] &&
         values["DelayOn"] <= values["BurnTime"] + 1;
}

// The folder's entries other than the settings file and the writers' lock file.
std::vector<std::string> Strays(const fs::path& folder) {
  std::vector<std::string> strays;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename();
    if (name != "veltane.conf" && name != "veltane.conf.lock") strays.push_back(name);
  }
  return strays;
}

class SettingsProcesses : public ::testing::Test {
 protected:
  SettingsProcesses() { m_store.SetRegistryKey(settings::kRegistryKey); }

  std::string ConfigHome() const { return m_root / "config"; }
  std::int32_t Read(const char* entry) { return m_store.GetProfileInt("veltane", entry, -1); }
  void Prime() {
    fs::create_directories(fs::path(m_store.FilePath()).parent_path());
    std::ofstream(m_store.FilePath()) << kBefore << "DelayOn=0\nDelayTime=0\nBurnTime=0\n" << kAfter;
  }

  // In memory when there is a folder for it: the thousands of writes here flush to disk, which takes a
  // real disk a few milliseconds each and proves nothing more.
  veltane::test::TempDir m_root{"settings-processes-", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : ""};
  SettingsStore m_store{"veltane", ConfigHome()};
};

TEST_F(SettingsProcesses, ReaderNeverSeesATornFileOrAnUnwrittenValue) {
  Prime();
  const Child writer = Start(VELTANE_SETTINGS_HELPER, {"write", ConfigHome(), std::to_string(kRounds),
                                                       "DelayOn", "DelayTime", "BurnTime"});
  ASSERT_GT(writer.pid, 0);
  std::int32_t lastBurn = 0;
  std::int32_t lastDelayOn = 0;
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
    const std::string text = ReadText(m_store.FilePath());
    ASSERT_TRUE(ParseWholeFile(text, &values)) << text;
    ASSERT_TRUE(IsFromOneWriter(values)) << text;
  }
  ASSERT_EQ(Finish(writer), 0);
  EXPECT_EQ(Read("DelayOn"), kRounds);
  EXPECT_EQ(Read("DelayTime"), kRounds);
  EXPECT_EQ(Read("BurnTime"), kRounds);
  EXPECT_GT(changesSeen, 1);
  RecordProperty("changesSeen", changesSeen);
}

// The three values go in one write, as OK writes them, so a kill leaves all of one round. Only the moment
// between naming a new version and renaming it over the file can leave a file behind, a whole one; the
// next write takes it away.
TEST_F(SettingsProcesses, AWriterKilledAtAnyMomentLeavesAllOldOrAllNewValuesAndNothingThatLasts) {
  Prime();
  const fs::path folder = fs::path(m_store.FilePath()).parent_path();
  std::mt19937 random(std::random_device{}());
  int longestDelay = kLongestKillDelayMicroseconds;
  std::map<std::string, long> values;
  long lastDelayOn = 0;
  int leftBehind = 0;
  for (int run = 0; run < kKilledWriters; ++run) {
    const Child writer =
        Start(VELTANE_SETTINGS_HELPER, {"write-together", ConfigHome(), std::to_string(kKilledWriterRounds),
                                        "DelayOn", "DelayTime", "BurnTime"});
    ASSERT_GT(writer.pid, 0);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, longestDelay)(random)));
    kill(writer.pid, SIGKILL);
    Finish(writer);
    const std::string text = ReadText(m_store.FilePath());
    ASSERT_TRUE(ParseWholeFile(text, &values)) << "run " << run << ":\n" << text;
    ASSERT_TRUE(values["DelayOn"] == values["DelayTime"] && values["DelayTime"] == values["BurnTime"])
        << "run " << run << ":\n"
        << text;
    lastDelayOn = std::max(lastDelayOn, values["DelayOn"]);
    // Until a writer has written, the kills come too early for it (a sanitizer build, a loaded machine).
    if (lastDelayOn == 0) longestDelay = std::min(longestDelay * 2, kSlowestStartMicroseconds);
    const std::vector<std::string> strays = Strays(folder);
    ASSERT_LE(strays.size(), 1u) << strays[0];
    leftBehind += static_cast<int>(strays.size());
    if (!strays.empty()) {
      ASSERT_TRUE(
          m_store.WriteProfileInt("veltane", "DelayOn", static_cast<std::int32_t>(values["DelayOn"])));
      ASSERT_EQ(Strays(folder), std::vector<std::string>{}) << "run " << run;
    }
  }
  EXPECT_GT(lastDelayOn, 0) << "no writer was ever killed after its first write";
  RecordProperty("leftBehind", leftBehind);
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
