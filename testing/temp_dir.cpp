#include "testing/temp_dir.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <system_error>

namespace veltane::test {

namespace fs = std::filesystem;

namespace {

// Gives the owner every right on each folder at and below path, links not followed, so that what a test
// made read-only or unreadable can be emptied.
void OpenUp(const fs::path& path) {
  std::error_code ignored;
  if (!fs::is_directory(fs::symlink_status(path, ignored))) return;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (fs::directory_iterator entry(path, ignored), end; !ignored && entry != end; entry.increment(ignored)) {
    OpenUp(entry->path());
  }
}

void Remove(const fs::path& path) {
  OpenUp(path);
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

// The folders of this process that are still there. A process that ends through exit() without unwinding
// its stack, as Xlib ends it when the server goes away, still removes them; a child forked from it never
// does.
struct LiveFolders {
  std::mutex lock;
  std::set<fs::path> paths;
  pid_t owner = getpid();
};

LiveFolders& Live() {
  static LiveFolders live;
  static const bool registered = std::atexit([] {
                                   LiveFolders& folders = Live();
                                   const std::lock_guard guard(folders.lock);
                                   if (getpid() != folders.owner) return;
                                   for (const fs::path& path : folders.paths) Remove(path);
                                   folders.paths.clear();
                                 }) == 0;
  (void)registered;
  return live;
}

}  // namespace

TempDir::TempDir(std::string_view prefix, const fs::path& base) {
  std::string pattern = ((base.empty() ? fs::temp_directory_path() : base) / prefix).string() + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "cannot make the folder " + pattern);
  }
  m_path = pattern;
  LiveFolders& live = Live();
  const std::lock_guard guard(live.lock);
  live.paths.insert(m_path);
}

TempDir::~TempDir() {
  Remove(m_path);
  LiveFolders& live = Live();
  const std::lock_guard guard(live.lock);
  live.paths.erase(m_path);
}

}  // namespace veltane::test
