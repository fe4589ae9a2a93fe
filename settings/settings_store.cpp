#include "settings/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/executable_path.h"
#include "settings/ini_text.h"
#include "settings/settings_file.h"

namespace veltane::settings {
namespace {

// The configuration home holds every program's settings of this user, so only the user may look into it.
constexpr mode_t kConfigHomeMode = 0700;
constexpr mode_t kCompanyFolderMode = 0777;
constexpr std::size_t kPasswdBufferSize = 16384;

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

// An empty result means there is nowhere to keep settings; reads then give defaults and writes fail.
std::string ResolveConfigHome(const std::string& configured) {
  if (!configured.empty()) return configured;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (IsAbsolute(xdg)) return xdg;
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : JoinPath(home, ".config");
}

// Creates the folder when it is missing; a parent that is missing is not created.
std::error_code EnsureFolder(const std::string& path, mode_t mode) {
  if (::mkdir(path.c_str(), mode) == 0) return {};
  if (errno != EEXIST) return LastError();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return LastError();
  return S_ISDIR(info.st_mode) ? std::error_code() : std::make_error_code(std::errc::not_a_directory);
}

// The file is <configuration home>/<registry key>/<application name>.conf; all empty when there is no home.
StorePaths PathsOf(const std::string& configured, const std::string& registryKey,
                   const std::string& applicationName) {
  const std::string configHome = ResolveConfigHome(configured);
  if (configHome.empty()) return {};
  const std::string companyFolder = JoinPath(configHome, registryKey);
  return {configHome, companyFolder, JoinPath(companyFolder, applicationName + ".conf")};
}

// Without a configuration home there is no folder for the file.
std::error_code EnsureFolders(const StorePaths& paths) {
  if (paths.file.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
  if (const std::error_code error = EnsureFolder(paths.configHome, kConfigHomeMode)) return error;
  return EnsureFolder(paths.companyFolder, kCompanyFolderMode);
}

SettingsStore* g_overrideStore = nullptr;

}  // namespace

std::int32_t ProfileIntIn(std::string_view text, const std::string& section, const std::string& entry,
                          std::int32_t defaultValue) {
  const std::optional<std::string> value = FindIniValue(text, section, entry);
  return value ? ParseStoredNumber(*value).value_or(defaultValue) : defaultValue;
}

std::string WithProfileValues(std::string_view text, const std::string& section,
                              const ProfileValues& values) {
  std::string edited(text);
  for (const auto& [entry, value] : values) {
    assert(!entry.empty());
    edited = SetIniValue(edited, section, entry, std::to_string(static_cast<std::uint32_t>(value)));
  }
  return edited;
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

SettingsStore::SettingsStore(std::string applicationName, std::string configHome)
    : m_applicationName(std::move(applicationName)), m_configHome(std::move(configHome)) {}

void SettingsStore::SetRegistryKey(const std::string& keyName) {
  m_registryKey = keyName;
  m_profileName = m_applicationName;
}

std::string SettingsStore::FilePath() const {
  return PathsOf(m_configHome, m_registryKey, m_applicationName).file;
}

// A read leaves the folders and an empty file behind, as reading a registry value leaves its keys behind.
std::int32_t SettingsStore::GetProfileInt(const std::string& section, const std::string& entry,
                                          std::int32_t defaultValue) {
  assert(!m_registryKey.empty() && !entry.empty());
  const StorePaths paths = PathsOf(m_configHome, m_registryKey, m_applicationName);
  if (m_registryKey.empty() || EnsureFolders(paths)) return defaultValue;
  const std::optional<std::string> text = ReadSettingsFile(paths.file, true);
  return text ? ProfileIntIn(*text, section, entry, defaultValue) : defaultValue;
}

bool SettingsStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                    std::int32_t value) {
  return !WriteProfileInts(section, {{entry, value}});
}

std::error_code SettingsStore::WriteProfileInts(const std::string& section, const ProfileValues& values) {
  assert(!m_registryKey.empty());
  const StorePaths paths = PathsOf(m_configHome, m_registryKey, m_applicationName);
  if (m_registryKey.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
  if (const std::error_code error = EnsureFolders(paths)) return error;
  return EditSettingsFile(paths.file,
                          [&](std::string_view text) { return WithProfileValues(text, section, values); });
}

std::string SettingsStore::ApplicationNameFromPath(const std::string& executablePath) {
  const std::size_t slash = executablePath.rfind('/');
  const std::string fileName = slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string SettingsStore::ApplicationNameFromExecutable() {
  const std::string path = platform::ExecutablePath();
  return ApplicationNameFromPath(path.empty() ? program_invocation_name : path);
}

SettingsStore& ApplicationSettings() {
  static SettingsStore processStore;
  return g_overrideStore != nullptr ? *g_overrideStore : processStore;
}

void UseSettingsStore(SettingsStore* store) { g_overrideStore = store; }

}  // namespace veltane::settings
