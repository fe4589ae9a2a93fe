#pragma once
// What every backend reports the same way. A backend turns its window system's events into these calls and
// builds no input message itself, so the code above cannot tell one backend from another.

#include <cstdint>
#include <vector>

#include "platform/backend.h"
#include "platform/win_types.h"

namespace veltane::platform {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// What a window was last told of the pointer. A backend holds one for each of its windows.
struct PointerState {
  bool told = false;
  Point position;
};

// Numbered as the window systems number the pointer's buttons.
enum class MouseButton { Left = 1, Middle = 2, Right = 3 };

// A key pressed; Alt pressed by itself counts as held, as it does for the system variant of the message.
void InputKey(EventSink& sink, HWND hwnd, WPARAM virtualKey, bool altHeld);
// keys holds the MK_ flags of the modifiers and of the buttons held before this one was pressed.
void InputButton(EventSink& sink, HWND hwnd, MouseButton button, WPARAM keys, Point at);
// One notch of the wheel, forward when it moves the view up. screenAt is the pointer on the screen; a backend
// that is told no screen position gives the last one the window was told of.
void InputWheel(EventSink& sink, HWND hwnd, bool forward, WPARAM keys, Point screenAt);
// The pointer at a position on the window; a window is told of a position only when it differs from the
// last one it was told of, since window systems repeat one (a crossing and a motion to the same place).
void InputCursorPos(EventSink& sink, HWND hwnd, PointerState& pointer, WPARAM keys, Point at);
// The window lost the activation to another application's window.
void InputFocusLoss(EventSink& sink, HWND hwnd);

// What a backend has read from its window system and hands on at its next poll, in the order it came: for
// a backend that reads where no sink is at hand, or needs to know whether a wait has brought anything.
class PendingEvents : public EventSink {
 public:
  void PostInput(const Msg& msg) override { m_events.push_back(Event{Kind::Input, msg}); }
  void Invalidate(HWND hwnd) override { m_events.push_back(Event{Kind::Invalidate, Msg{hwnd}}); }
  void DestroyedFromOutside(HWND hwnd) override { m_events.push_back(Event{Kind::Destroyed, Msg{hwnd}}); }

  bool Empty() const { return m_events.empty(); }
  // Drops what waits for a window that we destroyed ourselves.
  void Forget(HWND hwnd);
  // Hands on everything that waits; what the sink's handlers make meanwhile waits for the next call.
  void DeliverTo(EventSink& sink);

 private:
  enum class Kind { Input, Invalidate, Destroyed };
  struct Event {
    Kind kind;
    Msg msg;
  };
  std::vector<Event> m_events;
  std::vector<Event> m_delivering;  // Kept to reuse its memory.
};

}  // namespace veltane::platform
