// Stands in for one of the GNOME services that a headless mutter lacks, on the session bus, in a process of
// its own as in a real session: "session-manager" (inhibitors and presence) or "screen-saver" (the shell's
// screen shield). Tests drive it through the services' own methods, as GNOME's applications and shell do:
// Inhibit and Uninhibit, Presence.SetStatus, ScreenSaver.SetActive. It ends with the bus.

#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr const char* kSessionManagerXml = R"(<node>
  <interface name="org.gnome.SessionManager">
    <method name="Inhibit">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="u" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="Uninhibit"><arg type="u" direction="in"/></method>
    <method name="Setenv"><arg type="s" direction="in"/><arg type="s" direction="in"/></method>
    <property name="InhibitedActions" type="u" access="read"/>
  </interface>
  <interface name="org.gnome.SessionManager.Presence">
    <method name="SetStatus"><arg type="u" direction="in"/></method>
    <property name="status" type="u" access="read"/>
    <signal name="StatusChanged"><arg type="u"/></signal>
  </interface>
</node>)";

constexpr const char* kScreenSaverXml = R"(<node>
  <interface name="org.gnome.ScreenSaver">
    <method name="GetActive"><arg type="b" direction="out"/></method>
    <method name="SetActive"><arg type="b" direction="in"/></method>
    <signal name="ActiveChanged"><arg type="b"/></signal>
  </interface>
</node>)";

struct State {
  std::map<guint32, guint32> inhibitors;  // cookie -> flags
  guint32 nextCookie = 1;
  guint32 presence = 0;
  gboolean active = FALSE;
};
State gState;

guint32 InhibitedActions() {
  guint32 actions = 0;
  for (const auto& [cookie, flags] : gState.inhibitors) actions |= flags;
  return actions;
}

void Emit(GDBusConnection* bus, const char* path, const char* interface, const char* signal,
          GVariant* value) {
  g_dbus_connection_emit_signal(bus, nullptr, path, interface, signal, value, nullptr);
}

void InhibitionChanged(GDBusConnection* bus) {
  GVariantBuilder changed;
  g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&changed, "{sv}", "InhibitedActions", g_variant_new_uint32(InhibitedActions()));
  Emit(bus, "/org/gnome/SessionManager", "org.freedesktop.DBus.Properties", "PropertiesChanged",
       g_variant_new("(sa{sv}as)", "org.gnome.SessionManager", &changed, nullptr));
}

void MethodCalled(GDBusConnection* bus, const gchar*, const gchar* path, const gchar*, const gchar* method,
                  GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
  GVariant* answer = nullptr;
  if (std::strcmp(method, "Inhibit") == 0) {
    guint32 flags = 0;
    g_variant_get(parameters, "(&su&su)", nullptr, nullptr, nullptr, &flags);
    gState.inhibitors[gState.nextCookie] = flags;
    answer = g_variant_new("(u)", gState.nextCookie++);
    InhibitionChanged(bus);
  } else if (std::strcmp(method, "Uninhibit") == 0) {
    guint32 cookie = 0;
    g_variant_get(parameters, "(u)", &cookie);
    gState.inhibitors.erase(cookie);
    InhibitionChanged(bus);
  } else if (std::strcmp(method, "SetStatus") == 0) {
    g_variant_get(parameters, "(u)", &gState.presence);
    Emit(bus, path, "org.gnome.SessionManager.Presence", "StatusChanged",
         g_variant_new("(u)", gState.presence));
  } else if (std::strcmp(method, "GetActive") == 0) {
    answer = g_variant_new("(b)", gState.active);
  } else if (std::strcmp(method, "SetActive") == 0) {
    g_variant_get(parameters, "(b)", &gState.active);
    Emit(bus, path, "org.gnome.ScreenSaver", "ActiveChanged", g_variant_new("(b)", gState.active));
  }
  g_dbus_method_invocation_return_value(invocation, answer);
}

GVariant* PropertyRead(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                       GError**, gpointer) {
  return g_variant_new_uint32(std::strcmp(property, "status") == 0 ? gState.presence : InhibitedActions());
}

}  // namespace

int main(int argc, char** argv) {
  const bool sessionManager = argc == 2 && std::strcmp(argv[1], "session-manager") == 0;
  if (!sessionManager && !(argc == 2 && std::strcmp(argv[1], "screen-saver") == 0)) {
    std::fputs("usage: veltane-gnome-stand-in session-manager | screen-saver\n", stderr);
    return 2;
  }
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) return 1;
  GDBusNodeInfo* node =
      g_dbus_node_info_new_for_xml(sessionManager ? kSessionManagerXml : kScreenSaverXml, nullptr);
  static constexpr GDBusInterfaceVTable kVTable{MethodCalled, PropertyRead, nullptr, {}};
  const char* paths[] = {"/org/gnome/SessionManager", "/org/gnome/SessionManager/Presence"};
  for (int i = 0; node->interfaces[i] != nullptr; ++i) {
    const char* path = sessionManager ? paths[i] : "/org/gnome/ScreenSaver";
    g_dbus_connection_register_object(bus, path, node->interfaces[i], &kVTable, nullptr, nullptr, nullptr);
  }
  g_bus_own_name_on_connection(bus, sessionManager ? "org.gnome.SessionManager" : "org.gnome.ScreenSaver",
                               G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr, nullptr, nullptr);
  g_main_loop_run(g_main_loop_new(nullptr, FALSE));
  return 0;
}
