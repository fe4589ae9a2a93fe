#pragma once
// How long the session goes without input before the saver starts, and GNOME's own idle delay, after which
// GNOME blanks the screen itself.

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <optional>

namespace veltane::idle {

inline constexpr std::chrono::seconds kDefaultDelay{300};

struct DelayChoice {
  std::chrono::seconds delay;
  // The delay is not shorter than GNOME's, so GNOME blanks the screen before the saver can show.
  bool gnomeBlanksFirst;
};

// given: the --delay, if any. gnomeIdleDelay: 0 where GNOME's is off or there is no GNOME. Under six minutes
// GNOME's delay is halved, so that the saver shows for a while before GNOME blanks.
DelayChoice ChooseDelay(std::optional<std::chrono::seconds> given, std::chrono::seconds gnomeIdleDelay);

// GNOME's idle delay (org.gnome.desktop.session idle-delay), followed as the user changes it; 0 where its
// schema is not installed.
class GnomeIdleDelay {
 public:
  explicit GnomeIdleDelay(std::function<void()> changed);
  ~GnomeIdleDelay();
  GnomeIdleDelay(const GnomeIdleDelay&) = delete;
  GnomeIdleDelay& operator=(const GnomeIdleDelay&) = delete;

  std::chrono::seconds Get() const;

 private:
  std::function<void()> m_changed;
  GSettings* m_settings = nullptr;
};

}  // namespace veltane::idle
