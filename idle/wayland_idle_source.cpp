// A Wayland compositor's idle notifications for the first seat: ext_idle_notifier_v1 where offered, else
// KDE's org_kde_kwin_idle (wlroots 0.15, sway 1.7). The compositor holds them while a client inhibits idle.

#include <glib-unix.h>
#include <wayland-client.h>

#include <cstring>

#include "ext-idle-notify-client.h"
#include "idle/idle_source.h"
#include "kde-idle-client.h"

namespace veltane::idle {
namespace {

class WaylandIdleSource final : public IdleSource {
 public:
  WaylandIdleSource(wl_display* display, IdleEvents& events) : m_display(display), m_events(events) {}

  ~WaylandIdleSource() override {
    if (m_fdWatch != 0) g_source_remove(m_fdWatch);
    Release();
    if (m_notifier != nullptr) ext_idle_notifier_v1_destroy(m_notifier);
    if (m_kdeIdle != nullptr) org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat != nullptr) wl_seat_destroy(m_seat);
    if (m_registry != nullptr) wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
  }

  // Binds the seat and an idle protocol; false when the compositor lacks either.
  bool Bind() {
    static constexpr wl_registry_listener kRegistry{
        [](void* self, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
          static_cast<WaylandIdleSource*>(self)->Announced(registry, name, interface);
        },
        [](void*, wl_registry*, std::uint32_t) {},
    };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &kRegistry, this);
    if (wl_display_roundtrip(m_display) < 0) return false;
    if (m_seat == nullptr || (m_notifier == nullptr && m_kdeIdle == nullptr)) return false;
    m_fdWatch =
        g_unix_fd_add(wl_display_get_fd(m_display), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                      &WaylandIdleSource::Readable, this);
    return true;
  }

  void Watch(std::chrono::milliseconds delay) override {
    Release();
    const auto timeout = static_cast<std::uint32_t>(delay.count());
    if (m_notifier != nullptr) {
      static constexpr ext_idle_notification_v1_listener kListener{
          [](void* self, ext_idle_notification_v1*) {
            static_cast<WaylandIdleSource*>(self)->m_events.OnIdle();
          },
          [](void* self, ext_idle_notification_v1*) {
            static_cast<WaylandIdleSource*>(self)->m_events.OnActive();
          },
      };
      m_notification = ext_idle_notifier_v1_get_idle_notification(m_notifier, timeout, m_seat);
      ext_idle_notification_v1_add_listener(m_notification, &kListener, this);
    } else {
      static constexpr org_kde_kwin_idle_timeout_listener kListener{
          [](void* self, org_kde_kwin_idle_timeout*) {
            static_cast<WaylandIdleSource*>(self)->m_events.OnIdle();
          },
          [](void* self, org_kde_kwin_idle_timeout*) {
            static_cast<WaylandIdleSource*>(self)->m_events.OnActive();
          },
      };
      m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, timeout);
      org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &kListener, this);
    }
    wl_display_flush(m_display);
  }

 private:
  void Announced(wl_registry* registry, std::uint32_t name, const char* interface) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && m_seat == nullptr) {
      m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
      m_notifier = static_cast<ext_idle_notifier_v1*>(
          wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
      m_kdeIdle =
          static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
  }

  void Release() {
    if (m_notification != nullptr) ext_idle_notification_v1_destroy(m_notification);
    if (m_kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    m_notification = nullptr;
    m_kdeTimeout = nullptr;
  }

  // Everything the compositor sent is read and handled before the loop waits again; a closed or broken
  // connection is the end of the session.
  static gboolean Readable(gint, GIOCondition condition, gpointer data) {
    auto* self = static_cast<WaylandIdleSource*>(data);
    if ((condition & (G_IO_HUP | G_IO_ERR)) != 0 || wl_display_dispatch(self->m_display) < 0 ||
        wl_display_flush(self->m_display) < 0) {
      self->m_fdWatch = 0;
      self->m_events.OnGone("the Wayland compositor has gone");
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }

  wl_display* m_display;
  IdleEvents& m_events;
  wl_registry* m_registry = nullptr;
  wl_seat* m_seat = nullptr;
  ext_idle_notifier_v1* m_notifier = nullptr;
  org_kde_kwin_idle* m_kdeIdle = nullptr;
  ext_idle_notification_v1* m_notification = nullptr;
  org_kde_kwin_idle_timeout* m_kdeTimeout = nullptr;
  guint m_fdWatch = 0;
};

}  // namespace

std::unique_ptr<IdleSource> ConnectWayland(IdleEvents& events, bool* compositorFound) {
  wl_display* display = wl_display_connect(nullptr);
  *compositorFound = display != nullptr;
  if (display == nullptr) return nullptr;
  auto source = std::make_unique<WaylandIdleSource>(display, events);
  if (!source->Bind()) return nullptr;
  return source;
}

}  // namespace veltane::idle
