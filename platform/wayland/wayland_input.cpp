#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "platform/virtual_keys.h"
#include "platform/wayland/wayland_backend_impl.h"

namespace veltane::platform::wayland {

namespace {

Seat& SeatOf(void* data) { return *static_cast<Seat*>(data); }

constexpr wl_seat_listener kSeatListener{
    [](void* data, wl_seat*, std::uint32_t capabilities) {
      SeatOf(data).backend->OnSeatCapabilities(SeatOf(data), capabilities);
    },
    [](void*, wl_seat*, const char*) {},
};

constexpr wl_pointer_listener kPointerListener{
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
      SeatOf(data).backend->OnPointerEnter(SeatOf(data), serial, surface, x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*) { SeatOf(data).pointerSurface = nullptr; },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
      SeatOf(data).backend->OnPointerMotion(SeatOf(data), x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t state) {
      SeatOf(data).backend->OnPointerButton(SeatOf(data), button, state);
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t axis, wl_fixed_t value) {
      SeatOf(data).backend->OnPointerAxis(SeatOf(data), axis, value);
    },
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    nullptr,  // High-resolution wheel steps come only from a later version than the one bound.
};

constexpr wl_keyboard_listener kKeyboardListener{
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      SeatOf(data).backend->OnKeymap(SeatOf(data), format, fd, size);
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
      SeatOf(data).backend->OnKeyboardEnter(SeatOf(data), surface);
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
      SeatOf(data).backend->OnKeyboardLeave(SeatOf(data), surface);
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t state) {
      SeatOf(data).backend->OnKey(SeatOf(data), key, state);
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
       std::uint32_t locked, std::uint32_t group) {
      SeatOf(data).backend->OnModifiers(SeatOf(data), depressed, latched, locked, group);
    },
    [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

// Evdev key codes are the keymap's less 8, a rule of the xkb_v1 keymap format.
constexpr std::uint32_t kEvdevToXkb = 8;
// Bounds the wait for the compositor's answer, should it never come.
constexpr auto kAnswerPatience = std::chrono::seconds(2);

constexpr wl_callback_listener kAnsweredListener{
    [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; },
};

constexpr wl_callback_listener kSettledListener{
    [](void* data, wl_callback*, std::uint32_t) { static_cast<WaylandBackend*>(data)->OnDisplaySettled(); },
};

}  // namespace

void WaylandBackend::ListenToSeat(Seat& seat) { wl_seat_add_listener(seat.proxy, &kSeatListener, &seat); }

void WaylandBackend::ReleaseSeat(Seat& seat) {
  if (seat.pointer != nullptr) wl_pointer_destroy(seat.pointer);
  if (seat.keyboard != nullptr) wl_keyboard_destroy(seat.keyboard);
  if (seat.state != nullptr) xkb_state_unref(seat.state);
  if (seat.keymap != nullptr) xkb_keymap_unref(seat.keymap);
  wl_seat_destroy(seat.proxy);
  seat = Seat{};
}

void WaylandBackend::OnSeatCapabilities(Seat& seat, std::uint32_t capabilities) {
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && seat.pointer == nullptr) {
    seat.pointer = wl_seat_get_pointer(seat.proxy);
    wl_pointer_add_listener(seat.pointer, &kPointerListener, &seat);
  } else if (!pointer && seat.pointer != nullptr) {
    wl_pointer_destroy(seat.pointer);
    seat.pointer = nullptr;
    seat.pointerSurface = nullptr;
  }
  if (keyboard && seat.keyboard == nullptr) {
    seat.keyboard = wl_seat_get_keyboard(seat.proxy);
    wl_keyboard_add_listener(seat.keyboard, &kKeyboardListener, &seat);
  } else if (!keyboard && seat.keyboard != nullptr) {
    wl_keyboard_destroy(seat.keyboard);
    seat.keyboard = nullptr;
    seat.keyboardSurface = nullptr;
    seat.keyboardLeft = nullptr;
    m_keyboardMoved = true;
  }
}

ShellSurface* WaylandBackend::FindSurface(wl_surface* surface) const {
  if (surface == nullptr) return nullptr;
  const auto found = m_surfaces.find(surface);
  return found == m_surfaces.end() ? nullptr : found->second;
}

// A cover reports the pointer where it would be on the window's own surface, as far as the outputs'
// positions tell: a move across covers and window is one movement.
Point WaylandBackend::WindowPosition(const ShellSurface& shell, wl_fixed_t x, wl_fixed_t y) const {
  std::int32_t px = wl_fixed_to_int(x);
  std::int32_t py = wl_fixed_to_int(y);
  const auto window = m_windows.find(shell.owner);
  const Output* here = FindOutput(shell.outputName);
  const Output* home = window == m_windows.end() ? nullptr : FindOutput(window->second.main->outputName);
  if (shell.cover && here != nullptr && home != nullptr) {
    px += here->x - home->x;
    py += here->y - home->y;
  }
  return Point{px, py};
}

WPARAM WaylandBackend::Modifiers(const Seat& seat) const {
  WPARAM keys = seat.buttons;
  if (seat.state != nullptr) {
    if (xkb_state_mod_name_is_active(seat.state, XKB_MOD_NAME_SHIFT, XKB_STATE_MODS_EFFECTIVE) > 0)
      keys |= MK_SHIFT;
    if (xkb_state_mod_name_is_active(seat.state, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0)
      keys |= MK_CONTROL;
  }
  return keys;
}

void WaylandBackend::OnPointerEnter(Seat& seat, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                                    wl_fixed_t y) {
  ShellSurface* shell = FindSurface(surface);
  if (shell == nullptr) return;
  seat.pointerSurface = surface;
  seat.pointerSerial = serial;
  // No pointer is shown over our surfaces.
  wl_pointer_set_cursor(seat.pointer, serial, nullptr, 0, 0);
  // The entry tells the position as the first motion would.
  InputCursorPos(m_events, shell->owner, m_windows.at(shell->owner).pointer, Modifiers(seat),
                 WindowPosition(*shell, x, y));
}

void WaylandBackend::OnPointerMotion(Seat& seat, wl_fixed_t x, wl_fixed_t y) {
  ShellSurface* shell = FindSurface(seat.pointerSurface);
  if (shell == nullptr) return;
  InputCursorPos(m_events, shell->owner, m_windows.at(shell->owner).pointer, Modifiers(seat),
                 WindowPosition(*shell, x, y));
}

void WaylandBackend::OnPointerButton(Seat& seat, std::uint32_t button, std::uint32_t state) {
  WPARAM bit = 0;
  MouseButton pressed = MouseButton::Left;
  switch (button) {
    case BTN_LEFT: bit = MK_LBUTTON; break;
    case BTN_MIDDLE:
      bit = MK_MBUTTON;
      pressed = MouseButton::Middle;
      break;
    case BTN_RIGHT:
      bit = MK_RBUTTON;
      pressed = MouseButton::Right;
      break;
    default: return;
  }
  if (state != WL_POINTER_BUTTON_STATE_PRESSED) {
    seat.buttons &= ~bit;
    return;
  }
  ShellSurface* shell = FindSurface(seat.pointerSurface);
  const WPARAM keys = Modifiers(seat);
  seat.buttons |= bit;
  if (shell == nullptr) return;
  InputButton(m_events, shell->owner, pressed, keys, m_windows.at(shell->owner).pointer.position);
}

// The wheel turns forward when it moves the view up, and it closes nothing.
void WaylandBackend::OnPointerAxis(Seat& seat, std::uint32_t axis, wl_fixed_t value) {
  ShellSurface* shell = FindSurface(seat.pointerSurface);
  if (shell == nullptr || axis != WL_POINTER_AXIS_VERTICAL_SCROLL || value == 0) return;
  InputWheel(m_events, shell->owner, value < 0, Modifiers(seat), m_windows.at(shell->owner).pointer.position);
}

void WaylandBackend::OnKeymap(Seat& seat, std::uint32_t format, int fd, std::uint32_t size) {
  xkb_keymap* keymap = nullptr;
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && m_xkb != nullptr) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      keymap = xkb_keymap_new_from_string(m_xkb, static_cast<const char*>(text), XKB_KEYMAP_FORMAT_TEXT_V1,
                                          XKB_KEYMAP_COMPILE_NO_FLAGS);
      munmap(text, size);
    }
  }
  close(fd);
  if (keymap == nullptr) return;
  if (seat.state != nullptr) xkb_state_unref(seat.state);
  if (seat.keymap != nullptr) xkb_keymap_unref(seat.keymap);
  seat.keymap = keymap;
  seat.state = xkb_state_new(keymap);
}

void WaylandBackend::OnModifiers(Seat& seat, std::uint32_t depressed, std::uint32_t latched,
                                 std::uint32_t locked, std::uint32_t group) {
  if (seat.state != nullptr) xkb_state_update_mask(seat.state, depressed, latched, locked, 0, 0, group);
}

// The keyboard that comes back to the very surface it left has been with somebody else in between: a lock
// screen that takes the input is one, on a compositor that then hands the focus back to the topmost
// overlay. That is a loss of activation, however short; unless an output is coming or going, for which
// the compositor hands the keyboard round by itself.
void WaylandBackend::OnKeyboardEnter(Seat& seat, wl_surface* surface) {
  ShellSurface* shell = FindSurface(surface);
  seat.keyboardSurface = shell != nullptr ? surface : nullptr;
  if (shell != nullptr) {
    OurWindow& window = m_windows.at(shell->owner);
    const bool returned = window.hadKeyboard && surface == seat.keyboardLeft && m_displaySettling == nullptr;
    window.keyboardReturned = window.keyboardReturned || returned;
    window.hadKeyboard = true;
  }
  seat.keyboardLeft = nullptr;
  m_keyboardMoved = true;
}

void WaylandBackend::OnKeyboardLeave(Seat& seat, wl_surface* surface) {
  seat.keyboardSurface = nullptr;
  seat.keyboardLeft = FindSurface(surface) != nullptr ? surface : nullptr;
  m_keyboardMoved = true;
}

void WaylandBackend::OnKey(Seat& seat, std::uint32_t key, std::uint32_t state) {
  ShellSurface* shell = FindSurface(seat.keyboardSurface);
  if (shell == nullptr || state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
  std::uint32_t sym = 0;
  if (seat.keymap != nullptr) {
    // The key's symbol without Shift or any other level, as the virtual-key code is.
    const xkb_keysym_t* syms = nullptr;
    const xkb_layout_index_t layout = xkb_state_key_get_layout(seat.state, key + kEvdevToXkb);
    if (xkb_keymap_key_get_syms_by_level(seat.keymap, key + kEvdevToXkb,
                                         layout == XKB_LAYOUT_INVALID ? 0 : layout, 0, &syms) > 0) {
      sym = syms[0];
    }
  }
  const bool alt = seat.state != nullptr &&
                   xkb_state_mod_name_is_active(seat.state, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
  InputKey(m_events, shell->owner, VirtualKeyFromKeysym(sym), alt);
}

// The keyboard leaving every surface of a window, for somebody else's, is the loss of activation. A move
// between two of our surfaces is none; the compositor sends its leave and enter together.
void WaylandBackend::CheckActivation() {
  if (!m_keyboardMoved) return;
  m_keyboardMoved = false;
  for (auto& [hwnd, window] : m_windows) {
    if (!window.hadKeyboard) continue;
    if (HasKeyboard(hwnd) && !window.keyboardReturned) continue;
    window.hadKeyboard = false;
    window.keyboardReturned = false;
    InputFocusLoss(m_events, hwnd);
  }
}

// sway, as it sets up an output that comes, takes the keyboard from the saver and gives it straight back to
// the same surface, in the batch of events that announces the output or in its answer to the new cover.
// Until the compositor has answered what was asked after the change, a keyboard that comes back is its
// doing, and one that came back in the same batch counts no more.
void WaylandBackend::DisplayChanged() {
  if (m_windows.empty()) return;
  for (auto& [hwnd, window] : m_windows) window.keyboardReturned = false;
  if (m_displaySettling != nullptr) wl_callback_destroy(m_displaySettling);
  m_displaySettling = wl_display_sync(m_display);
  wl_callback_add_listener(m_displaySettling, &kSettledListener, this);
}

void WaylandBackend::OnDisplaySettled() {
  wl_callback_destroy(m_displaySettling);
  m_displaySettling = nullptr;
}

// A compositor gives the keyboard to a new full-screen surface as it shows it, in its answer to the commit
// that showed it, unless a lock screen holds the input; the saver would then run unseen beneath the lock,
// and is not wanted there at all. Only a compositor that knows lock screens is asked, and only a seat with
// a keyboard can tell.
bool WaylandBackend::TookKeyboard(HWND hwnd) {
  const bool keyboard =
      std::any_of(m_seats.begin(), m_seats.end(), [](const auto& seat) { return seat->keyboard != nullptr; });
  if (!m_offersLocking || !keyboard) return true;
  bool answered = false;
  wl_callback* sync = wl_display_sync(m_display);
  wl_callback_add_listener(sync, &kAnsweredListener, &answered);
  DispatchUntil([&] { return answered || !m_windows.contains(hwnd) || HasKeyboard(hwnd); }, kAnswerPatience);
  wl_callback_destroy(sync);
  return m_windows.contains(hwnd) && HasKeyboard(hwnd);
}

bool WaylandBackend::HasKeyboard(HWND hwnd) const {
  for (const auto& seat : m_seats) {
    const ShellSurface* shell = FindSurface(seat->keyboardSurface);
    if (shell != nullptr && shell->owner == hwnd) return true;
  }
  return false;
}

void WaylandBackend::SetCursor(HCURSOR) {
  // Every cursor of ours is the invisible one, the class cursor included.
  for (const auto& seat : m_seats) {
    if (seat->pointer != nullptr && seat->pointerSurface != nullptr) {
      wl_pointer_set_cursor(seat->pointer, seat->pointerSerial, nullptr, 0, 0);
    }
  }
}

}  // namespace veltane::platform::wayland
