#include "app/configuration_module.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>

#include "platform/executable_path.h"

namespace veltane::app {
namespace {

constexpr const char* kModuleBelowProgram = VELTANE_CONFIG_MODULE;

std::string ProgramFolder() {
  const std::string path = platform::ExecutablePath();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string ConfigurationModulePath() { return ProgramFolder() + '/' + kModuleBelowProgram; }

config::ProfileAccess ProfileAccessOf(settings::SettingsStore& store) {
  return config::ProfileAccess{
      store.ApplicationName(),
      store.ProfileName(),
      store.FilePath(),
      settings::HomeFolder(),
      [&store](const std::string& section, const std::string& entry, std::int32_t defaultValue) {
        return store.GetProfileInt(section, entry, defaultValue);
      },
      [&store](const std::string& section, const settings::ProfileValues& values) {
        return store.WriteProfileInts(section, values);
      },
  };
}

int ConfigurationExitCode(config::ConfigurationOutcome outcome) {
  switch (outcome) {
    case config::ConfigurationOutcome::Closed: return 0;
    case config::ConfigurationOutcome::NotSaved: return 1;
    case config::ConfigurationOutcome::NoWindow:
      std::fputs("veltane: cannot show the configuration dialog: no window can be shown here\n", stderr);
      return 1;
  }
  return 1;
}

// The module stays loaded until the process ends: the toolkit it brings does not take well to being
// unloaded while its own exit handlers are still registered.
int RunConfiguration(settings::SettingsStore& store, const std::string& modulePath) {
  void* module = ::dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "veltane: cannot load the configuration dialog: %s\n", ::dlerror());
    return 1;
  }
  const auto show =
      reinterpret_cast<config::ShowConfigurationFunction>(::dlsym(module, config::kShowConfigurationSymbol));
  if (show == nullptr) {
    std::fprintf(stderr, "veltane: cannot load the configuration dialog: %s has no %s\n", modulePath.c_str(),
                 config::kShowConfigurationSymbol);
    return 1;
  }
  const config::ProfileAccess profile = ProfileAccessOf(store);
  return ConfigurationExitCode(show(&profile));
}

}  // namespace veltane::app

// The session bus library that the dialog toolkit's theme support loads keeps a buffer until the process
// ends, by design. A leak check at exit (the sanitizer builds) would blame the configuration mode for it;
// this hook is the checker's own way to be told, and is never called otherwise. It has to be in the
// program itself: the checker does not look for it in a module.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
