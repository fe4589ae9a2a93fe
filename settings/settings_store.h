#pragma once
// The saver's persistent values, kept per user in
// $XDG_CONFIG_HOME/<registry key>/<application name>.conf, group [<section>]. Every read parses the whole
// file anew and every write replaces it whole, changing only its own line; nothing is cached.

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace veltane::settings {

// The company folder below the configuration home that the saver's settings file lives in.
inline constexpr char kRegistryKey[] = "Quillon Screen Savers";

// The user's home folder: $HOME where it is an absolute path, else the one the password database gives;
// empty where neither does.
std::string HomeFolder();

// Entries and the values to store in them, in the order they are to be written.
using ProfileValues = std::vector<std::pair<std::string, std::int32_t>>;

// What the store reads from and writes into the text of its file, without the file: entry's value in
// section, or defaultValue; and the text with the values stored in section.
std::int32_t ProfileIntIn(std::string_view text, const std::string& section, const std::string& entry,
                          std::int32_t defaultValue);
std::string WithProfileValues(std::string_view text, const std::string& section, const ProfileValues& values);

class SettingsStore {
 public:
  // applicationName: the running executable's file name cut at its last dot (the whole name without a
  // dot). configHome: where the company folder lives; empty means $XDG_CONFIG_HOME, or ~/.config when that
  // is unset, empty or not absolute.
  explicit SettingsStore(std::string applicationName = ApplicationNameFromExecutable(),
                         std::string configHome = {});

  // Stores the key name and makes the profile name a copy of the application name.
  void SetRegistryKey(const std::string& keyName);
  // The stored 32-bit value, or defaultValue when it is missing, unreadable or not a 32-bit number.
  std::int32_t GetProfileInt(const std::string& section, const std::string& entry, std::int32_t defaultValue);
  // Stored as unsigned decimal, the 32 bits as they are. False when the value could not be stored.
  bool WriteProfileInt(const std::string& section, const std::string& entry, std::int32_t value);
  // Stores the values as WriteProfileInt does, all in one new version of the file, so that a reader, or a
  // kill half-way, finds either all of them or none. Why they could not be stored, as EditSettingsFile
  // tells it; the file is then as it was.
  std::error_code WriteProfileInts(const std::string& section, const ProfileValues& values);

  const std::string& RegistryKey() const { return m_registryKey; }
  const std::string& ApplicationName() const { return m_applicationName; }
  const std::string& ProfileName() const { return m_profileName; }
  // The file that holds the values.
  std::string FilePath() const;

  static std::string ApplicationNameFromExecutable();
  // The naming rule on its own: the file name of executablePath cut at its last dot, the whole file name
  // when it has none; a dot in a directory name never counts.
  static std::string ApplicationNameFromPath(const std::string& executablePath);

 private:
  std::string m_applicationName;
  std::string m_configHome;
  std::string m_registryKey;
  std::string m_profileName;
};

// The process's store, which the application object sets up at start-up and the flame window reads.
SettingsStore& ApplicationSettings();
// Replaces the process's store (tests and veltane-render use a private one); nullptr restores the default.
void UseSettingsStore(SettingsStore* store);

}  // namespace veltane::settings
