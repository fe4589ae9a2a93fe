#pragma once
// The in-memory backend: every window is a pixel buffer that a test can read, input is injected by the
// test, and the tick count and calendar time are whatever the test sets. Used by the unit tests of the
// windows and the run loop, and by veltane-render.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/backend.h"
#include "platform/input.h"
#include "platform/monitor_layout.h"

namespace veltane::platform {

class MemoryBackend : public Backend {
 public:
  explicit MemoryBackend(Size screen = {1024, 768});

  // Backend.
  HWND CreateChildWindow(HWND parent, const Rect& rect, bool visible) override;
  HWND CreateTopmostWindow(const Rect& rect, bool visible) override;
  void DestroyNativeWindow(HWND hwnd) override;
  bool NativeWindowExists(HWND hwnd) override;
  bool ClientRect(HWND hwnd, Rect* rect) override;
  Size ScreenSize() override;
  void SetCursor(HCURSOR cursor) override;
  void PollEvents(EventSink& sink) override;
  // Nothing arrives while a test waits: runs the poll hook, and if nothing is pending even then, a wait with
  // a limit moves the clock on to its end at once, so that tests that wait take no time; a wait without one
  // could never end, so the process stops with a message on stderr instead of hanging.
  void WaitEvents(EventSink& sink, int timeoutMs) override;
  HDC GetDC(HWND hwnd) override;
  void ReleaseDC(HWND hwnd, HDC dc) override;
  void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) override;
  void DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) override;
  std::uint32_t TickCount() override;
  std::int64_t CalendarTime() override;

  // What a test sets.
  void SetTickCount(std::uint32_t ticks) { m_ticks = ticks; }
  void AdvanceTickCount(std::uint32_t ms) { m_ticks += ms; }
  void SetCalendarTime(std::int64_t seconds) { m_calendar = seconds; }
  // Called at the start of every PollEvents (every PeekMessage, and every GetMessage that no peek has just
  // answered), before any injected event is delivered; a driver may move the clock or inject input there.
  void SetPollHook(std::function<void()> hook) { m_pollHook = std::move(hook); }
  // Makes a foreign window (a preview host) with a client area of the given size.
  HWND CreateHostWindow(Size client);
  // The window system refuses the next window creation.
  void RefuseNextWindow() { m_refuseNextWindow = true; }
  // GetDC fails until set back.
  void SetGetDCFails(bool fails) { m_getDCFails = fails; }
  // Declares the monitors, on a screen that just holds them all (one monitor of the constructor's size
  // until then). While a full-screen window is up this is a changed layout: the covers follow it at the
  // next PollEvents, as they follow the window system's notice.
  void SetMonitors(std::vector<Monitor> monitors);
  // The black covers around the full-screen window, which are no windows of the saver's, and where that
  // window lies on the screen.
  const std::vector<Rect>& Covers() const { return m_covers; }
  const Rect& TopmostPlacement() const { return m_topmostRect; }

  // Input, delivered at the next PollEvents, in this order. Buttons and the wheel are pressed where the
  // window was last told the pointer is, and a motion to that same place is no news to the window.
  void InjectKey(HWND hwnd, std::uint32_t key, bool alt = false);
  void InjectButton(HWND hwnd, int button);  // 1 left, 2 middle, 3 right, 4 and 5 wheel.
  void InjectMotion(HWND hwnd, std::int32_t x, std::int32_t y);
  void InjectFocusLoss(HWND hwnd);
  void InjectExpose(HWND hwnd);
  // Destroys a window from outside (a host and all its descendants); ours are reported as such.
  void DestroyFromOutside(HWND hwnd);

  // What a test reads.
  const std::vector<std::uint32_t>& Pixels(HWND hwnd) const;  // 0x00RRGGBB, row 0 at the top.
  std::uint32_t Pixel(HWND hwnd, std::int32_t x, std::int32_t y) const;
  HCURSOR Cursor() const { return m_cursor; }
  // The latest drawing calls, oldest first, so a test can tell what was drawn and that nothing was. Only the
  // last kDrawCallLimit are kept, so that a long render does not grow without end.
  struct DrawCall {
    HWND hwnd;
    enum Kind { Fill, Dib } kind;
    Rect rect;  // Destination: the filled rectangle, or x, y, x + width, y + height of the bitmap.
  };
  static constexpr std::size_t kDrawCallLimit = 4096;
  const std::deque<DrawCall>& DrawCalls() const { return m_drawCalls; }
  void ClearDrawCalls() { m_drawCalls.clear(); }
  std::size_t WindowCount() const { return m_windows.size(); }

 private:
  struct Window {
    HWND parent = 0;
    Rect rect;
    bool ours = true;
    bool visible = false;
    std::vector<std::uint32_t> pixels;
    PointerState pointer;
  };
  HWND NewHandle();
  bool Pending() const { return !m_events.Empty() || m_coversChanged; }
  void DestroyTree(HWND hwnd, std::vector<HWND>* ours);
  void RecordDrawCall(const DrawCall& call);
  std::vector<Monitor> Monitors() const;
  void UpdateCovers();

  Size m_screen;
  std::uint32_t m_ticks = 0;
  std::int64_t m_calendar = 0;
  HWND m_nextHandle = 0x00A00001;
  std::map<HWND, Window> m_windows;
  PendingEvents m_events;
  bool m_coversChanged = false;  // The monitors changed under the full-screen window.
  std::function<void()> m_pollHook;
  std::deque<DrawCall> m_drawCalls;
  HCURSOR m_cursor = 0;
  bool m_refuseNextWindow = false;
  bool m_getDCFails = false;
  std::vector<Monitor> m_monitors;
  HWND m_topmost = 0;
  Rect m_topmostRect;
  std::vector<Rect> m_covers;
};

}  // namespace veltane::platform
