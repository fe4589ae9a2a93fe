#pragma once
// The processes of the machine as /proc lists them, for a test that looks for what a host or a watcher
// started.

#include <sys/types.h>

#include <string>
#include <vector>

namespace veltane::test {

struct ProcessEntry {
  pid_t pid;
  pid_t parent;
  pid_t group;
  std::string name;  // the executable's file name, cut to 15 characters
};

// Those that have not ended: zombies are left out.
std::vector<ProcessEntry> LiveProcesses();

// The live processes with this parent and this name.
std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name);

}  // namespace veltane::test
