// veltane-render: the saver's frames without a display.

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/backend.h"
#include "platform/memory/memory_backend.h"
#include "settings/settings_store.h"
#include "tools/render/render_app.h"
#include "tools/render/render_options.h"

namespace {

using veltane::render::RenderOptions;

int Fail(const std::string& message) {
  std::fprintf(stderr, "veltane-render: %s\n", message.c_str());
  return 2;
}

// The output folder exists (made if need be) and takes a file.
bool PrepareOutput(const std::string& dir, std::string* why) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  const std::filesystem::path probe = std::filesystem::path(dir) / ".veltane-render-probe";
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (file == nullptr) {
    *why = "cannot write to " + dir;
    return false;
  }
  std::fclose(file);
  std::filesystem::remove(probe, error);
  return true;
}

// A settings folder of the run's own, so that the user's settings are neither read nor touched.
class PrivateSettings {
 public:
  explicit PrivateSettings(std::uint32_t burnMinutes) {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltane-render-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) m_home = pattern;
    m_store = std::make_unique<veltane::settings::SettingsStore>("veltane",
                                                                 m_home.empty() ? "/nonexistent" : m_home);
    m_store->SetRegistryKey(veltane::settings::kRegistryKey);
    m_store->WriteProfileInt(m_store->ProfileName(), "BurnTime", static_cast<std::int32_t>(burnMinutes));
    veltane::settings::UseSettingsStore(m_store.get());
  }
  ~PrivateSettings() {
    veltane::settings::UseSettingsStore(nullptr);
    std::error_code error;
    if (!m_home.empty()) std::filesystem::remove_all(m_home, error);
  }
  PrivateSettings(const PrivateSettings&) = delete;
  PrivateSettings& operator=(const PrivateSettings&) = delete;

 private:
  std::string m_home;
  std::unique_ptr<veltane::settings::SettingsStore> m_store;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = veltane::render::ParseRenderOptions(args);
  if (std::holds_alternative<veltane::render::UsageRequest>(parsed)) {
    std::fputs(veltane::render::kRenderUsage, stdout);
    return 0;
  }
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    std::fputs(veltane::render::kRenderUsage, stderr);
    return Fail(*error);
  }
  const RenderOptions& options = std::get<RenderOptions>(parsed);
  std::string why;
  if (!PrepareOutput(options.outDir, &why)) return Fail(why);

  auto backend = std::make_unique<veltane::platform::MemoryBackend>(
      veltane::platform::Size{options.width, options.height});
  veltane::platform::MemoryBackend& memory = *backend;
  memory.SetTickCount(options.startTick);
  memory.SetCalendarTime(options.seed.value_or(static_cast<std::int64_t>(std::time(nullptr))));
  veltane::platform::SetBackend(std::move(backend));

  PrivateSettings settings(options.burnMinutes);
  veltane::render::RenderApp app(options, memory);
  app.Run();
  if (!app.Failure().empty()) return Fail(app.Failure());
  return 0;
}
