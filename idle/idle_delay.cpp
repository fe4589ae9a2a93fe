#include "idle/idle_delay.h"

#include <algorithm>

namespace veltane::idle {
namespace {

constexpr std::chrono::seconds kHalvedBelow{360};
constexpr const char* kSchema = "org.gnome.desktop.session";

}  // namespace

DelayChoice ChooseDelay(std::optional<std::chrono::seconds> given, std::chrono::seconds gnomeIdleDelay) {
  const bool gnomeBlanks = gnomeIdleDelay.count() > 0;
  if (given) return {*given, gnomeBlanks && *given >= gnomeIdleDelay};
  if (gnomeBlanks && gnomeIdleDelay < kHalvedBelow) {
    return {std::max(std::chrono::seconds(1), gnomeIdleDelay / 2), false};
  }
  return {kDefaultDelay, false};
}

// GSettings aborts the process on a schema that is not installed, so it is looked up first.
GnomeIdleDelay::GnomeIdleDelay(std::function<void()> changed) : m_changed(std::move(changed)) {
  GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
  GSettingsSchema* schema =
      schemas != nullptr ? g_settings_schema_source_lookup(schemas, kSchema, TRUE) : nullptr;
  if (schema == nullptr) return;
  if (g_settings_schema_has_key(schema, "idle-delay")) {
    m_settings = g_settings_new(kSchema);
    g_signal_connect(m_settings, "changed::idle-delay", G_CALLBACK(+[](GSettings*, gchar*, gpointer self) {
                       static_cast<GnomeIdleDelay*>(self)->m_changed();
                     }),
                     this);
  }
  g_settings_schema_unref(schema);
}

GnomeIdleDelay::~GnomeIdleDelay() {
  if (m_settings != nullptr) g_object_unref(m_settings);
}

std::chrono::seconds GnomeIdleDelay::Get() const {
  return std::chrono::seconds(m_settings != nullptr ? g_settings_get_uint(m_settings, "idle-delay") : 0);
}

}  // namespace veltane::idle
