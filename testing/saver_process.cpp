#include "testing/saver_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace veltane::test {

SaverProcess::SaverProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& display, const std::string& configHome,
                           const std::vector<std::string>& extraEnvironment) {
  int errorPipe[2];
  if (pipe2(errorPipe, O_CLOEXEC) != 0) return;
  // Everything the child needs is prepared before the fork, which leaves it only async-signal-safe calls.
  std::vector<std::string> environment{"DISPLAY=" + display, "XDG_CONFIG_HOME=" + configHome,
                                       "HOME=" + configHome, "PATH=/usr/bin:/bin"};
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvStrings{program};
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argvStrings) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // A test that dies must not leave a saver behind holding the server's keyboard.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(errorPipe[1], STDERR_FILENO);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(errorPipe[1]);
  if (pid < 0) {
    close(errorPipe[0]);
    return;
  }
  m_pid = pid;
  m_stderr = errorPipe[0];
  fcntl(m_stderr, F_SETFL, O_NONBLOCK);
}

SaverProcess::~SaverProcess() {
  if (m_pid > 0 && !m_ended) {
    kill(m_pid, SIGKILL);
    Reap(true);
  }
  if (m_stderr >= 0) close(m_stderr);
}

bool SaverProcess::Reap(bool block) {
  if (m_ended) return true;
  int status = 0;
  const pid_t reaped = waitpid(m_pid, &status, block ? 0 : WNOHANG);
  if (reaped != m_pid) return false;
  m_ended = true;
  if (WIFEXITED(status)) m_exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) m_signal = WTERMSIG(status);
  return true;
}

std::optional<int> SaverProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!Reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (m_signal != 0) return std::nullopt;
  return m_exitCode;
}

bool SaverProcess::Running() { return m_pid > 0 && !Reap(false); }

std::string SaverProcess::ErrorOutput() {
  std::string text;
  char buffer[512];
  for (;;) {
    const ssize_t got = read(m_stderr, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return text;
}

void SaverProcess::Kill(int signal) {
  if (m_pid > 0 && !m_ended) kill(m_pid, signal);
}

}  // namespace veltane::test
