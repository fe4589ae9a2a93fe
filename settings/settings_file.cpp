#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace veltane::settings {
namespace {

constexpr mode_t kNewFileMode = 0666;
// A writer holds the lock only for one read, one write and one flush; one that holds it longer than this
// has stopped, and a write then fails rather than hang the dialog.
constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kLockPoll = std::chrono::microseconds(200);

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : m_fd(fd) {}
  ~UniqueFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }

 private:
  int m_fd;
};

struct FileText {
  std::string text;
  mode_t mode = 0;
};

// Where the text lives: the path itself, or the final target of a symbolic link there. Nothing for a link
// loop, a dangling link or anything that is not a regular file.
struct Resolved {
  std::string path;
  bool exists = false;
};

std::optional<Resolved> Resolve(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? std::optional<Resolved>(Resolved{path, false}) : std::nullopt;
  }
  if (S_ISREG(info.st_mode)) return Resolved{path, true};
  if (!S_ISLNK(info.st_mode)) return std::nullopt;
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real || ::lstat(real.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return Resolved{real.get(), true};
}

// The open does not follow a link that appeared since the path was resolved, and does not wait for a
// writer on a pipe swapped in meanwhile; what it opened is read only when it is a regular file.
std::optional<FileText> ReadRegularFile(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size > static_cast<off_t>(kLargestSettingsFile)) {
    return std::nullopt;
  }
  FileText file{{}, info.st_mode & 07777};
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd.Get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::nullopt;
    if (count == 0) return file;
    file.text.append(buffer, static_cast<std::size_t>(count));
    if (file.text.size() > kLargestSettingsFile) return std::nullopt;
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return true;
}

// The lock lives in a file of its own that is never replaced: the settings file gets a new inode with
// every write, so a lock on it would guard a file that is no longer there. flock rather than fcntl,
// because an fcntl lock goes as soon as the process closes any descriptor of the file; both go with a
// writer that is killed.
bool LockWriters(const UniqueFd& lock) {
  const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
  while (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(kLockPoll);
  }
  return true;
}

// The new version gets a name only once it is whole and flushed, so a writer killed before that leaves
// nothing behind; a file system without unnamed files gets the named file at once.
bool WriteNewVersion(const std::string& folder, const std::string& newName, std::string_view text,
                     std::optional<mode_t> mode) {
  int raw = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
  const bool unnamed = raw >= 0;
  if (!unnamed)
    raw = ::open(newName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
  const UniqueFd fd(raw);
  bool written = fd.Valid() && (!mode || ::fchmod(fd.Get(), *mode) == 0) && WriteAll(fd.Get(), text) &&
                 ::fsync(fd.Get()) == 0;
  if (written && unnamed) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    written = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, newName.c_str(), AT_SYMLINK_FOLLOW) == 0;
  } else if (!written && !unnamed && fd.Valid()) {
    ::unlink(newName.c_str());
  }
  return written;
}

bool ReplaceFile(const std::string& target, std::string_view text, std::optional<mode_t> mode) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  const std::string newName = folder + "/." + target.substr(slash + 1) + ".new";
  // Only a writer that holds the lock uses this name, so a file under it is one that a killed writer left.
  ::unlink(newName.c_str());
  if (!WriteNewVersion(folder, newName, text, mode)) return false;
  if (::rename(newName.c_str(), target.c_str()) == 0) return true;
  ::unlink(newName.c_str());
  return false;
}

}  // namespace

std::optional<std::string> ReadSettingsFile(const std::string& path, bool createMissing) {
  std::optional<Resolved> resolved = Resolve(path);
  if (resolved && !resolved->exists) {
    if (!createMissing) return std::string();
    const UniqueFd created(::open(
        path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kNewFileMode));
    if (created.Valid()) return std::string();
    if (errno != EEXIST) return std::nullopt;
    resolved = Resolve(path);
  }
  if (!resolved || !resolved->exists) return std::nullopt;
  std::optional<FileText> file = ReadRegularFile(resolved->path);
  if (!file) return std::nullopt;
  return std::move(file->text);
}

bool EditSettingsFile(const std::string& path, const std::function<std::string(std::string_view)>& edit) {
  const UniqueFd lock(
      ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kNewFileMode));
  struct stat info {};
  if (!lock.Valid() || ::fstat(lock.Get(), &info) != 0 || !S_ISREG(info.st_mode) || !LockWriters(lock)) {
    return false;
  }
  const std::optional<Resolved> resolved = Resolve(path);
  if (!resolved) return false;
  std::optional<FileText> file;
  if (resolved->exists) {
    file = ReadRegularFile(resolved->path);
    if (!file) return false;
  }
  const std::string text = edit(file ? std::string_view(file->text) : std::string_view());
  return ReplaceFile(resolved->path, text, file ? std::optional<mode_t>(file->mode) : std::nullopt);
}

}  // namespace veltane::settings
