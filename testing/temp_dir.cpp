#include "testing/temp_dir.h"

#include <stdlib.h>

#include <cerrno>
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

}  // namespace

TempDir::TempDir(std::string_view prefix, const fs::path& base) {
  std::string pattern = ((base.empty() ? fs::temp_directory_path() : base) / prefix).string() + "XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "cannot make the folder " + pattern);
  }
  m_path = pattern;
}

TempDir::~TempDir() {
  OpenUp(m_path);
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

}  // namespace veltane::test
