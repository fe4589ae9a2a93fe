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

std::error_code ErrorOf(std::errc code) { return std::make_error_code(code); }

// What stands at a settings path and is not a regular file gets an error of its own.
std::error_code NotARegularFile(mode_t mode) {
  return ErrorOf(S_ISDIR(mode) ? std::errc::is_a_directory : std::errc::not_supported);
}

struct FileText {
  std::string text;
  mode_t mode = 0;
};

// Where the text lives: the path itself, or the final target of a symbolic link there; exists is false
// when nothing is at the path.
struct Resolved {
  std::string path;
  bool exists = false;
};

std::error_code Resolve(const std::string& path, Resolved& resolved) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return LastError();
    resolved = {path, false};
    return {};
  }
  std::string target = path;
  if (S_ISLNK(info.st_mode)) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real || ::lstat(real.get(), &info) != 0) return LastError();
    target = real.get();
  }
  if (!S_ISREG(info.st_mode)) return NotARegularFile(info.st_mode);
  resolved = {target, true};
  return {};
}

// The open does not follow a link that appeared since the path was resolved, and does not wait for a
// writer on a pipe swapped in meanwhile; what it opened is read only when it is a regular file.
std::error_code ReadRegularFile(const std::string& path, FileText& file) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) return LastError();
  if (!S_ISREG(info.st_mode)) return NotARegularFile(info.st_mode);
  if (info.st_size > static_cast<off_t>(kLargestSettingsFile)) return ErrorOf(std::errc::file_too_large);
  file = {{}, info.st_mode & 07777};
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(fd.Get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return LastError();
    if (count == 0) return {};
    file.text.append(buffer, static_cast<std::size_t>(count));
    if (file.text.size() > kLargestSettingsFile) return ErrorOf(std::errc::file_too_large);
  }
}

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return LastError();
    if (count == 0) return ErrorOf(std::errc::io_error);
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
  return {};
}

// The lock lives in a file of its own that is never replaced: the settings file gets a new inode with
// every write, so a lock on it would guard a file that is no longer there. flock rather than fcntl,
// because an fcntl lock goes as soon as the process closes any descriptor of the file; both go with a
// writer that is killed.
std::error_code LockWriters(const UniqueFd& lock) {
  const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
  while (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
      return LastError();
    }
    std::this_thread::sleep_for(kLockPoll);
  }
  return {};
}

// The new version gets a name only once it is whole and flushed, so a writer killed before that leaves
// nothing behind; a file system without unnamed files gets the named file at once.
std::error_code WriteNewVersion(int folder, const std::string& newName, std::string_view text,
                                std::optional<mode_t> mode) {
  int raw = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
  const bool unnamed = raw >= 0;
  if (!unnamed) {
    raw =
        ::openat(folder, newName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
  }
  const UniqueFd fd(raw);
  if (!fd.Valid()) return LastError();
  std::error_code error;
  if (mode && ::fchmod(fd.Get(), *mode) != 0) error = LastError();
  if (!error) error = WriteAll(fd.Get(), text);
  if (!error && ::fsync(fd.Get()) != 0) error = LastError();
  if (!error && unnamed) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd.Get());
    if (::linkat(AT_FDCWD, self.c_str(), folder, newName.c_str(), AT_SYMLINK_FOLLOW) != 0)
      error = LastError();
  }
  if (error && !unnamed) ::unlinkat(folder, newName.c_str(), 0);
  return error;
}

std::error_code ReplaceFile(const std::string& target, std::string_view text, std::optional<mode_t> mode) {
  const std::size_t slash = target.rfind('/');
  const std::string folderPath = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  const std::string name = target.substr(slash + 1);
  const std::string newName = "." + name + ".new";
  const UniqueFd folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid()) return LastError();
  // Only a writer that holds the lock uses this name, so a file under it is one that a killed writer left.
  ::unlinkat(folder.Get(), newName.c_str(), 0);
  if (const std::error_code error = WriteNewVersion(folder.Get(), newName, text, mode)) return error;
  if (::renameat(folder.Get(), newName.c_str(), folder.Get(), name.c_str()) != 0) {
    const std::error_code error = LastError();
    ::unlinkat(folder.Get(), newName.c_str(), 0);
    return error;
  }
  // The rename is only lasting once the folder is on disk: a power cut before that can bring the old
  // version back, and then the user has to hear of it. A file system that cannot flush a folder has
  // nothing to flush.
  if (::fsync(folder.Get()) != 0 && errno != EINVAL) return LastError();
  return {};
}

}  // namespace

std::error_code LastError() { return {errno, std::generic_category()}; }

std::optional<std::string> ReadSettingsFile(const std::string& path, bool createMissing) {
  Resolved resolved;
  if (Resolve(path, resolved)) return std::nullopt;
  if (!resolved.exists) {
    if (!createMissing) return std::string();
    const UniqueFd created(::open(
        path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kNewFileMode));
    if (created.Valid()) return std::string();
    if (errno != EEXIST || Resolve(path, resolved) || !resolved.exists) return std::nullopt;
  }
  FileText file;
  if (ReadRegularFile(resolved.path, file)) return std::nullopt;
  return std::move(file.text);
}

std::error_code EditSettingsFile(const std::string& path,
                                 const std::function<std::string(std::string_view)>& edit) {
  const UniqueFd lock(
      ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kNewFileMode));
  struct stat info {};
  if (!lock.Valid() || ::fstat(lock.Get(), &info) != 0) return LastError();
  if (!S_ISREG(info.st_mode)) return NotARegularFile(info.st_mode);
  if (const std::error_code error = LockWriters(lock)) return error;
  Resolved resolved;
  if (const std::error_code error = Resolve(path, resolved)) return error;
  FileText file;
  if (resolved.exists) {
    if (const std::error_code error = ReadRegularFile(resolved.path, file)) return error;
    // A file that its owner made read-only is the owner's word that it stays as it is; a new version
    // renamed over it would go round that.
    if (::faccessat(AT_FDCWD, resolved.path.c_str(), W_OK, AT_EACCESS) != 0) return LastError();
  }
  const std::string text = edit(file.text);
  return ReplaceFile(resolved.path, text, resolved.exists ? std::optional<mode_t>(file.mode) : std::nullopt);
}

}  // namespace veltane::settings
