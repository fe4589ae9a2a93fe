#include "testing/process_list.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace veltane::test {

std::vector<ProcessEntry> LiveProcesses() {
  std::vector<ProcessEntry> processes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    // "pid (name) state parent group ...", where the name may itself hold blanks and parentheses.
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    char state = 0;
    int parent = 0;
    int group = 0;
    if (open == std::string::npos || close == std::string::npos ||
        std::sscanf(text.c_str() + close + 1, " %c %d %d", &state, &parent, &group) != 3 || state == 'Z') {
      continue;
    }
    processes.push_back({std::stoi(text), parent, group, text.substr(open + 1, close - open - 1)});
  }
  return processes;
}

std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name) {
  std::vector<pid_t> children;
  for (const ProcessEntry& process : LiveProcesses()) {
    if (process.parent == parent && process.name == name) children.push_back(process.pid);
  }
  return children;
}

}  // namespace veltane::test
