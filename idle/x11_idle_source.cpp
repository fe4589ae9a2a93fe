// The X server's IDLETIME counter, watched through one SYNC alarm that the server fires when the idle time
// reaches the delay and, once it has, when input brings it back below: no clock is read in between.
// XResetScreenSaver, as video players call it, resets the counter like input does.

#include <X11/Xlib.h>
#include <X11/extensions/sync.h>
#include <glib-unix.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "idle/idle_source.h"

namespace veltane::idle {
namespace {

// Xlib ends the process when the connection breaks; the watcher ends its saver first.
IdleEvents* gLostConnectionEvents = nullptr;

int LostConnection(Display*) {
  if (gLostConnectionEvents != nullptr) gLostConnectionEvents->OnGone("the X display has gone");
  std::exit(1);
}

std::int64_t ToInt(const XSyncValue& value) {
  return (static_cast<std::int64_t>(XSyncValueHigh32(value)) << 32) | XSyncValueLow32(value);
}

class X11IdleSource final : public IdleSource {
 public:
  X11IdleSource(Display* display, IdleEvents& events) : m_display(display), m_events(events) {}

  ~X11IdleSource() override {
    if (m_fdWatch != 0) g_source_remove(m_fdWatch);
    if (m_alarm != 0) XSyncDestroyAlarm(m_display, m_alarm);
    gLostConnectionEvents = nullptr;
    XCloseDisplay(m_display);
  }

  // Finds the counter; false when the server has no SYNC extension or no IDLETIME counter.
  bool Find() {
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XSyncQueryExtension(m_display, &m_eventBase, &errorBase) ||
        !XSyncInitialize(m_display, &major, &minor)) {
      return false;
    }
    int count = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(m_display, &count);
    for (int i = 0; i < count; ++i) {
      if (std::strcmp(counters[i].name, "IDLETIME") == 0) m_counter = counters[i].counter;
    }
    if (counters != nullptr) XSyncFreeSystemCounterList(counters);
    if (m_counter == 0) return false;
    gLostConnectionEvents = &m_events;
    XSetIOErrorHandler(&LostConnection);
    m_fdWatch =
        g_unix_fd_add(ConnectionNumber(m_display), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                      &X11IdleSource::Readable, this);
    return true;
  }

  void Watch(std::chrono::milliseconds delay) override {
    m_delay = delay.count();
    m_idle = false;
    Arm();
    Drain();
  }

 private:
  // Idle: the next input fires the alarm, as the counter falls from the delay or above to below it. Not
  // idle: the counter reaching the delay fires it. Input or idle time may have come before the alarm was
  // set, so the counter is read once it is.
  void Arm() {
    const std::int64_t value = m_idle ? m_delay - 1 : m_delay;
    XSyncAlarmAttributes attributes{};
    attributes.trigger.counter = m_counter;
    attributes.trigger.value_type = XSyncAbsolute;
    attributes.trigger.test_type = m_idle ? XSyncNegativeTransition : XSyncPositiveTransition;
    XSyncIntsToValue(&attributes.trigger.wait_value, static_cast<unsigned>(value & 0xffffffff),
                     static_cast<int>(value >> 32));
    XSyncIntToValue(&attributes.delta, 0);
    attributes.events = True;
    constexpr unsigned long kMask =
        XSyncCACounter | XSyncCAValueType | XSyncCAValue | XSyncCATestType | XSyncCADelta | XSyncCAEvents;
    if (m_alarm == 0) {
      m_alarm = XSyncCreateAlarm(m_display, kMask, &attributes);
    } else {
      XSyncChangeAlarm(m_display, m_alarm, kMask, &attributes);
    }
    XSyncValue idleTime;
    if (XSyncQueryCounter(m_display, m_counter, &idleTime)) Saw(ToInt(idleTime));
  }

  // An alarm set before the last change may still come; only an idle time on the other side of the delay
  // changes anything.
  void Saw(std::int64_t idleTime) {
    if ((idleTime >= m_delay) == m_idle) return;
    m_idle = !m_idle;
    if (m_idle) {
      m_events.OnIdle();
    } else {
      m_events.OnActive();
    }
    Arm();
  }

  // Every event that Xlib holds is handled before the loop waits again, those read during a reply included.
  void Drain() {
    while (XPending(m_display) > 0) {
      XEvent event;
      XNextEvent(m_display, &event);
      if (event.type != m_eventBase + XSyncAlarmNotify) continue;
      const auto& notice = reinterpret_cast<const XSyncAlarmNotifyEvent&>(event);
      if (notice.alarm == m_alarm) Saw(ToInt(notice.counter_value));
    }
  }

  static gboolean Readable(gint, GIOCondition condition, gpointer data) {
    auto* self = static_cast<X11IdleSource*>(data);
    if ((condition & (G_IO_HUP | G_IO_ERR)) != 0) LostConnection(self->m_display);
    self->Drain();
    return G_SOURCE_CONTINUE;
  }

  Display* m_display;
  IdleEvents& m_events;
  int m_eventBase = 0;
  XSyncCounter m_counter = 0;
  XSyncAlarm m_alarm = 0;
  std::int64_t m_delay = 0;
  bool m_idle = false;
  guint m_fdWatch = 0;
};

}  // namespace

std::unique_ptr<IdleSource> ConnectX11(IdleEvents& events) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  auto source = std::make_unique<X11IdleSource>(display, events);
  if (!source->Find()) return nullptr;
  return source;
}

}  // namespace veltane::idle
