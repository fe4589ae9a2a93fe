// GNOME's idle monitor on the session bus, with the session's presence and the shell's screen shield: mutter
// sees every input of the session, Wayland or X11, and holds its watches while an application inhibits idle.

#include <gio/gio.h>

#include <list>
#include <vector>

#include "idle/idle_source.h"

namespace veltane::idle {
namespace {

constexpr const char* kMonitorName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kMonitorInterface = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kSessionName = "org.gnome.SessionManager";
constexpr const char* kPresencePath = "/org/gnome/SessionManager/Presence";
constexpr const char* kPresenceInterface = "org.gnome.SessionManager.Presence";
constexpr const char* kShieldName = "org.gnome.ScreenSaver";
constexpr const char* kShieldPath = "/org/gnome/ScreenSaver";
// The presence that the session takes at GNOME's own idle delay, as the shell fades the screen out.
constexpr guint32 kPresenceIdle = 3;
constexpr int kCallTimeoutMs = 5000;

// The session bus where the session names one; never one that GIO would start for the occasion.
GDBusConnection* ConnectSessionBus() {
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  GDBusConnection* bus = nullptr;
  if (address != nullptr && !g_str_has_prefix(address, "autolaunch:")) {
    bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
  }
  g_free(address);
  return bus;
}

// A method's answer when it has the given type; nothing on an error or any other answer.
GVariant* Call(GDBusConnection* bus, const char* name, const char* path, const char* interface,
               const char* method, GVariant* parameters, const char* answer) {
  return g_dbus_connection_call_sync(bus, name, path, interface, method, parameters, G_VARIANT_TYPE(answer),
                                     G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, nullptr);
}

bool HasOwner(GDBusConnection* bus, const char* name) {
  GVariant* answer = Call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          "NameHasOwner", g_variant_new("(s)", name), "(b)");
  gboolean owned = FALSE;
  if (answer != nullptr) {
    g_variant_get(answer, "(b)", &owned);
    g_variant_unref(answer);
  }
  return owned;
}

class GnomeIdleSource final : public IdleSource {
 public:
  GnomeIdleSource(GDBusConnection* bus, IdleEvents& events) : m_bus(bus), m_events(events) {
    m_closed =
        g_signal_connect(m_bus, "closed", G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer self) {
                           static_cast<GnomeIdleSource*>(self)->m_events.OnGone("the session bus has gone");
                         }),
                         this);
    Subscribe(kMonitorName, kMonitorInterface, "WatchFired", kMonitorPath, "(u)", &GnomeIdleSource::Fired);
    Subscribe(kSessionName, kPresenceInterface, "StatusChanged", kPresencePath, "(u)",
              &GnomeIdleSource::PresenceChanged);
    Subscribe(kShieldName, "org.gnome.ScreenSaver", "ActiveChanged", kShieldPath, "(b)",
              &GnomeIdleSource::ShieldChanged);
    m_names[0] = g_bus_watch_name_on_connection(
        m_bus, kMonitorName, G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
        +[](GDBusConnection*, const gchar*, gpointer self) {
          static_cast<GnomeIdleSource*>(self)->m_events.OnGone(
              "GNOME's idle monitor has left the session bus");
        },
        this, nullptr);
    m_names[1] = g_bus_watch_name_on_connection(
        m_bus, kSessionName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        +[](GDBusConnection*, const gchar*, const gchar*, gpointer self) {
          static_cast<GnomeIdleSource*>(self)->ReadPresence();
        },
        +[](GDBusConnection*, const gchar*, gpointer self) {
          static_cast<GnomeIdleSource*>(self)->Hold(&GnomeIdleSource::m_presenceIdle, false);
        },
        this, nullptr);
    m_names[2] = g_bus_watch_name_on_connection(
        m_bus, kShieldName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        +[](GDBusConnection*, const gchar*, const gchar*, gpointer self) {
          static_cast<GnomeIdleSource*>(self)->ReadShield();
        },
        +[](GDBusConnection*, const gchar*, gpointer self) {
          static_cast<GnomeIdleSource*>(self)->Hold(&GnomeIdleSource::m_shieldActive, false);
        },
        this, nullptr);
  }

  ~GnomeIdleSource() override {
    for (guint name : m_names) g_bus_unwatch_name(name);
    for (guint subscription : m_subscriptions) g_dbus_connection_signal_unsubscribe(m_bus, subscription);
    g_signal_handler_disconnect(m_bus, m_closed);
    g_object_unref(m_bus);
  }

  void Watch(std::chrono::milliseconds delay) override {
    if (m_idleWatch != 0) CallMonitor("RemoveWatch", g_variant_new("(u)", m_idleWatch), "()");
    m_idleWatch = 0;
    const auto interval = static_cast<guint64>(delay.count());
    GVariant* answer = CallMonitor("AddIdleWatch", g_variant_new("(t)", interval), "(u)");
    if (answer == nullptr) {
      m_events.OnGone("GNOME's idle monitor takes no watch");
      return;
    }
    g_variant_get(answer, "(u)", &m_idleWatch);
    g_variant_unref(answer);
  }

 private:
  using Handler = void (GnomeIdleSource::*)(GVariant* parameters);

  GVariant* CallMonitor(const char* method, GVariant* parameters, const char* answer) {
    return Call(m_bus, kMonitorName, kMonitorPath, kMonitorInterface, method, parameters, answer);
  }

  // A signal from the well-known name's owner, whoever that is when it comes, handled when its type is right.
  void Subscribe(const char* name, const char* interface, const char* member, const char* path,
                 const char* type, Handler handler) {
    m_handlers.push_back({this, handler, type});
    m_subscriptions.push_back(g_dbus_connection_signal_subscribe(
        m_bus, name, interface, member, path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        +[](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
            gpointer data) {
          const auto* bound = static_cast<const Bound*>(data);
          if (g_variant_is_of_type(parameters, G_VARIANT_TYPE(bound->type))) {
            (bound->source->*bound->handler)(parameters);
          }
        },
        &m_handlers.back(), nullptr));
  }

  // The idle watch fires once per idle period; the active watch, added then, fires once at the next input.
  void Fired(GVariant* parameters) {
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    if (id == 0) return;
    if (id == m_idleWatch) {
      if (m_activeWatch == 0) {
        if (GVariant* answer = CallMonitor("AddUserActiveWatch", nullptr, "(u)")) {
          g_variant_get(answer, "(u)", &m_activeWatch);
          g_variant_unref(answer);
        }
      }
      m_events.OnIdle();
    } else if (id == m_activeWatch) {
      m_activeWatch = 0;
      m_events.OnActive();
    }
  }

  void PresenceChanged(GVariant* parameters) {
    guint32 status = 0;
    g_variant_get(parameters, "(u)", &status);
    Hold(&GnomeIdleSource::m_presenceIdle, status == kPresenceIdle);
  }

  void ShieldChanged(GVariant* parameters) {
    gboolean active = FALSE;
    g_variant_get(parameters, "(b)", &active);
    Hold(&GnomeIdleSource::m_shieldActive, active);
  }

  void ReadPresence() {
    GVariant* answer = Call(m_bus, kSessionName, kPresencePath, "org.freedesktop.DBus.Properties", "Get",
                            g_variant_new("(ss)", kPresenceInterface, "status"), "(v)");
    if (answer == nullptr) return;
    GVariant* value = nullptr;
    g_variant_get(answer, "(v)", &value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
      Hold(&GnomeIdleSource::m_presenceIdle, g_variant_get_uint32(value) == kPresenceIdle);
    }
    g_variant_unref(value);
    g_variant_unref(answer);
  }

  void ReadShield() {
    GVariant* answer =
        Call(m_bus, kShieldName, kShieldPath, "org.gnome.ScreenSaver", "GetActive", nullptr, "(b)");
    if (answer == nullptr) return;
    ShieldChanged(answer);
    g_variant_unref(answer);
  }

  // GNOME has the screen while the presence is idle or the shield is up.
  void Hold(bool GnomeIdleSource::*reason, bool value) {
    const bool wasHeld = m_presenceIdle || m_shieldActive;
    this->*reason = value;
    const bool held = m_presenceIdle || m_shieldActive;
    if (held != wasHeld) m_events.OnHeld(held);
  }

  struct Bound {
    GnomeIdleSource* source;
    Handler handler;
    const char* type;
  };

  GDBusConnection* m_bus;
  IdleEvents& m_events;
  gulong m_closed = 0;
  guint m_names[3] = {};
  std::vector<guint> m_subscriptions;
  std::list<Bound> m_handlers;
  guint32 m_idleWatch = 0;
  guint32 m_activeWatch = 0;
  bool m_presenceIdle = false;
  bool m_shieldActive = false;
};

}  // namespace

std::unique_ptr<IdleSource> ConnectGnome(IdleEvents& events) {
  GDBusConnection* bus = ConnectSessionBus();
  if (bus == nullptr) return nullptr;
  if (!HasOwner(bus, kMonitorName)) {
    g_object_unref(bus);
    return nullptr;
  }
  return std::make_unique<GnomeIdleSource>(bus, events);
}

}  // namespace veltane::idle
