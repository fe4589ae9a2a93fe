// A second process for the settings tests: it writes values in a loop, or reports the name that it finds
// for its own executable.
//
//   veltane_settings_helper name
//   veltane_settings_helper name-after-unlink
//   veltane_settings_helper write <configuration home> <rounds> <entry>...
//   veltane_settings_helper write-together <configuration home> <rounds> <entry>...

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/settings_store.h"

namespace {

constexpr unsigned kGiveUpSeconds = 120;
constexpr int kUsageError = 2;

// Round r writes r to every entry, in the order given, so a reader can tell a torn state from a whole one:
// one write for each entry, or one for all of them together.
int WriteRounds(const std::string& configHome, bool together, long rounds, char** entries, int entryCount) {
  veltane::settings::SettingsStore store("veltane", configHome);
  store.SetRegistryKey(veltane::settings::kRegistryKey);
  for (long round = 1; round <= rounds; ++round) {
    veltane::settings::ProfileValues values;
    for (int i = 0; i < entryCount; ++i) values.emplace_back(entries[i], static_cast<std::int32_t>(round));
    if (together && store.WriteProfileInts(store.ProfileName(), values)) return 1;
    for (int i = 0; i < entryCount && !together; ++i) {
      if (!store.WriteProfileInt(store.ProfileName(), entries[i], static_cast<std::int32_t>(round))) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A helper that hangs on a lock must not hang the test that waits for it.
  alarm(kGiveUpSeconds);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "name") {
    std::printf("%s\n", veltane::settings::SettingsStore::ApplicationNameFromExecutable().c_str());
    return 0;
  }
  if (mode == "name-after-unlink") {
    char target[4096] = {};
    if (readlink("/proc/self/exe", target, sizeof target - 1) < 0 || unlink(target) != 0) return 1;
    std::printf("%s\n", veltane::settings::SettingsStore::ApplicationNameFromExecutable().c_str());
    return 0;
  }
  if ((mode == "write" || mode == "write-together") && argc > 4) {
    return WriteRounds(argv[2], mode == "write-together", std::atol(argv[3]), argv + 4, argc - 4);
  }
  return kUsageError;
}
