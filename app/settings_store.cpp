#include "app/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include <QDir>
#include <QLockFile>
#include <QSettings>
#include <QString>
#include <QTemporaryFile>
#include <QtGlobal>
#include <QVariant>

namespace veltane::app {
namespace {

// The configuration home holds every program's settings of this user, so only the user may look into it.
constexpr mode_t kConfigHomeMode = 0700;
constexpr mode_t kCompanyFolderMode = 0777;
constexpr mode_t kFileMode = 0666;
constexpr std::int64_t kLowestValue = -(std::int64_t{1} << 31);
constexpr std::int64_t kHighestValue = (std::int64_t{1} << 32) - 1;
constexpr std::size_t kPasswdBufferSize = 16384;
constexpr int kCopyAttempts = 100;

struct StorePaths {
  std::string configHome;
  std::string companyFolder;
  std::string file;
};

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + '/' + name;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return home;
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : kPasswdBufferSize);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
  return IsAbsolute(found->pw_dir) ? std::string(found->pw_dir) : std::string();
}

// An empty result means there is nowhere to keep settings; reads then give defaults and writes fail.
std::string ResolveConfigHome(const std::string& configured) {
  if (!configured.empty()) return configured;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(xdg)) return xdg;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : JoinPath(home, ".config");
}

// Opens the folder, creating it when it is missing; a parent that is missing is not created.
bool EnsureFolder(const std::string& path, mode_t mode) {
  if (::mkdir(path.c_str(), mode) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The file is <configuration home>/<registry key>/<application name>.conf; all empty when there is no home.
StorePaths PathsOf(const std::string& configured, const std::string& registryKey,
                   const std::string& applicationName) {
  const std::string configHome = ResolveConfigHome(configured);
  if (configHome.empty()) return {};
  const std::string companyFolder = JoinPath(configHome, registryKey);
  return {configHome, companyFolder, JoinPath(companyFolder, applicationName + ".conf")};
}

bool EnsureFolders(const StorePaths& paths) {
  return !paths.file.empty() && EnsureFolder(paths.configHome, kConfigHomeMode) &&
         EnsureFolder(paths.companyFolder, kCompanyFolderMode);
}

// A read leaves the file behind, as reading a registry value leaves its keys behind. An existing file is
// only opened, never changed, so a writer's atomic replacement cannot be disturbed.
bool EnsureFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, kFileMode);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Writers replace the file as a whole, so one open gives one whole version. A missing file reads as empty.
bool ReadWholeFile(const std::string& path, std::string* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  char buffer[4096];
  ssize_t count = 0;
  while ((count = ::read(fd, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR)) {
    if (count > 0) bytes->append(buffer, static_cast<std::size_t>(count));
  }
  ::close(fd);
  return count == 0;
}

bool WriteWholeFile(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

// QSettings keeps what it has read of a path for the life of the process and trusts it while the file's
// size and modification time, in milliseconds, stay the same. A change that another process makes within
// that millisecond would be missed, and a write would put that process's old values back. So QSettings is
// only ever handed a copy of the file under a name that this process has not used before.
std::string FreshCopyName(const std::string& besides) {
  static unsigned long copies = 0;
  return besides + ".copy-" + std::to_string(::getpid()) + '-' + std::to_string(++copies);
}

// A copy of bytes beside the file, with the file's permissions; empty when it cannot be made.
std::string CopyBeside(const std::string& file, const std::string& bytes) {
  struct stat info {};
  const bool fileExists = ::stat(file.c_str(), &info) == 0;
  for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
    const std::string name = FreshCopyName(file);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return {};
    bool copied = WriteWholeFile(fd, bytes) && (!fileExists || ::fchmod(fd, info.st_mode & 07777) == 0);
    copied = ::close(fd) == 0 && copied;
    if (copied) return name;
    ::unlink(name.c_str());
    return {};
  }
  return {};
}

ino_t InodeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

QString SettingsKey(const std::string& section, const std::string& entry) {
  return QString::fromStdString(section) + u'/' + QString::fromStdString(entry);
}

// Accepts decimal text of a number that fits in 32 bits, signed or unsigned; an unsigned number above the
// signed range is the same 32 bits read as signed.
std::optional<std::int32_t> ParseValue(const QVariant& value) {
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  const std::string text = value.toString().toStdString();
  std::int64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || stop != end || number < kLowestValue || number > kHighestValue) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

// Qt reports some file failures on standard error (a lock file that vanished with its folder, say); the
// store fails silently instead, so its operations run with Qt's messages turned away.
class QtMessagesMuted {
 public:
  QtMessagesMuted() : m_previous(qInstallMessageHandler(Discard)) {}
  ~QtMessagesMuted() { qInstallMessageHandler(m_previous); }
  QtMessagesMuted(const QtMessagesMuted&) = delete;
  QtMessagesMuted& operator=(const QtMessagesMuted&) = delete;

 private:
  static void Discard(QtMsgType, const QMessageLogContext&, const QString&) {}
  QtMessageHandler m_previous;
};

SettingsStore* g_overrideStore = nullptr;

}  // namespace

SettingsStore::SettingsStore(std::string applicationName, std::string configHome)
    : m_applicationName(std::move(applicationName)), m_configHome(std::move(configHome)) {}

void SettingsStore::SetRegistryKey(const std::string& keyName) {
  m_registryKey = keyName;
  m_profileName = m_applicationName;
}

std::string SettingsStore::FilePath() const {
  return PathsOf(m_configHome, m_registryKey, m_applicationName).file;
}

std::int32_t SettingsStore::GetProfileInt(const std::string& section, const std::string& entry,
                                          std::int32_t defaultValue) {
  assert(!m_registryKey.empty() && !entry.empty());
  const StorePaths paths = PathsOf(m_configHome, m_registryKey, m_applicationName);
  const QtMessagesMuted muted;
  std::string bytes;
  if (m_registryKey.empty() || !EnsureFolders(paths) || !EnsureFile(paths.file) ||
      !ReadWholeFile(paths.file, &bytes) || bytes.empty()) {
    return defaultValue;
  }
  // The copy goes to the temporary folder, so that a folder the user has made read-only can still be read;
  // without a temporary folder the file itself is read.
  QTemporaryFile copy(QDir::tempPath() + u'/' + QString::fromStdString(FreshCopyName("veltane-settings")) +
                      ".XXXXXX");
  const auto size = static_cast<qint64>(bytes.size());
  const bool copied = copy.open() && copy.write(bytes.data(), size) == size && copy.flush();
  QSettings settings(copied ? copy.fileName() : QString::fromStdString(paths.file), QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) return defaultValue;
  return ParseValue(settings.value(SettingsKey(section, entry))).value_or(defaultValue);
}

bool SettingsStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                    std::int32_t value) {
  assert(!m_registryKey.empty() && !entry.empty());
  const StorePaths paths = PathsOf(m_configHome, m_registryKey, m_applicationName);
  if (m_registryKey.empty() || !EnsureFolders(paths)) return false;
  const QtMessagesMuted muted;
  // The lock file is the one that QSettings itself takes for this file, so every writer waits for the others.
  QLockFile lock(QString::fromStdString(paths.file) + ".lock");
  std::string bytes;
  if (!lock.lock() || !ReadWholeFile(paths.file, &bytes)) return false;
  const std::string copy = CopyBeside(paths.file, bytes);
  if (copy.empty()) return false;
  const ino_t before = InodeOf(copy);
  bool saved = false;
  {
    QSettings settings(QString::fromStdString(copy), QSettings::IniFormat);
    settings.setValue(SettingsKey(section, entry), value);
    settings.sync();
    // A malformed file leaves a format error standing, which hides any later error; QSettings replaces the
    // copy by a new file when it has saved it.
    saved = settings.status() != QSettings::AccessError && InodeOf(copy) != before;
  }
  if (saved && ::rename(copy.c_str(), paths.file.c_str()) == 0) return true;
  ::unlink(copy.c_str());
  return false;
}

std::string SettingsStore::ApplicationNameFromPath(const std::string& executablePath) {
  const std::size_t slash = executablePath.rfind('/');
  const std::string fileName = slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string SettingsStore::ApplicationNameFromExecutable() {
  std::vector<char> buffer(256);
  ssize_t length = 0;
  while ((length = ::readlink("/proc/self/exe", buffer.data(), buffer.size())) >= 0 &&
         static_cast<std::size_t>(length) == buffer.size()) {
    buffer.resize(buffer.size() * 2);
  }
  if (length < 0) return ApplicationNameFromPath(program_invocation_name);
  std::string path(buffer.data(), static_cast<std::size_t>(length));
  // The kernel marks an executable that was replaced or removed since it started; the name stays the same.
  constexpr std::string_view kDeletedMark = " (deleted)";
  if (path.ends_with(kDeletedMark) && ::access(path.c_str(), F_OK) != 0) {
    path.resize(path.size() - kDeletedMark.size());
  }
  return ApplicationNameFromPath(path);
}

SettingsStore& ApplicationSettings() {
  static SettingsStore processStore;
  return g_overrideStore != nullptr ? *g_overrideStore : processStore;
}

void UseSettingsStore(SettingsStore* store) { g_overrideStore = store; }

}  // namespace veltane::app
