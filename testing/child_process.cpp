#include "testing/child_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

#include "testing/wait_until.h"

namespace veltane::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Options& options) {
  int errorPipe[2] = {-1, -1};
  if (options.keepErrors && pipe2(errorPipe, O_CLOEXEC) != 0) return;
  // Everything the child needs is prepared before the fork, which leaves it only async-signal-safe calls.
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = options.environment;
  std::vector<char*> argp;
  for (std::string& argument : arguments) argp.push_back(argument.data());
  argp.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, STDIN_FILENO);
    const int out =
        options.output.empty() ? -1 : open(options.output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (errorPipe[1] >= 0) dup2(errorPipe[1], STDERR_FILENO);
    if (options.inheritedFd >= 0) fcntl(options.inheritedFd, F_SETFD, 0);
    execvpe(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  if (errorPipe[1] >= 0) close(errorPipe[1]);
  if (pid < 0) {
    if (errorPipe[0] >= 0) close(errorPipe[0]);
    return;
  }
  m_pid = pid;
  m_errors = errorPipe[0];
  if (m_errors >= 0) fcntl(m_errors, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
  if (Started() && !m_ended) {
    kill(m_pid, SIGKILL);
    Reap(true);
  }
  if (m_errors >= 0) close(m_errors);
}

bool ChildProcess::Reap(bool block) {
  if (m_ended) return true;
  int status = 0;
  if (waitpid(m_pid, &status, block ? 0 : WNOHANG) != m_pid) return false;
  m_ended = true;
  if (WIFEXITED(status)) m_exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) m_signal = WTERMSIG(status);
  return true;
}

bool ChildProcess::Running() { return Started() && !Reap(false); }

bool ChildProcess::SleepsThroughout(std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  do {
    // The state follows the name in parentheses, which may hold anything, so it is found after the last one.
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string line;
    if (!Running() || !std::getline(stat, line)) return false;
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'S') return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
  return true;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  if (!Started() || !WaitUntil([this] { return Reap(false); }, timeout, std::chrono::milliseconds(2))) {
    return std::nullopt;
  }
  if (m_signal != 0) return std::nullopt;
  return m_exitCode;
}

std::string ChildProcess::ErrorOutput() {
  std::string text;
  char buffer[512];
  ssize_t got = 0;
  while (m_errors >= 0 && (got = read(m_errors, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return text;
}

void ChildProcess::Kill(int signal) {
  if (Started() && !m_ended) kill(m_pid, signal);
}

void ChildProcess::Stop(int signal, std::chrono::milliseconds timeout) {
  Kill(signal);
  if (!WaitUntil([this] { return !Running(); }, timeout, std::chrono::milliseconds(10))) {
    Kill(SIGKILL);
    Reap(true);
  }
}

std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
  std::map<std::string, std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value.empty()) {
      merged.erase(name);
    } else {
      merged[name] = value;
    }
  }
  std::vector<std::string> entries;
  for (const auto& [name, value] : merged) entries.push_back(name + "=" + value);
  return entries;
}

}  // namespace veltane::test
