#include "platform/memory/memory_backend.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace veltane::platform {
namespace {

constexpr HWND kHandlesPerBackend = 0x10000;

std::vector<std::uint32_t> BlackPixels(const Rect& rect) {
  const std::size_t width = static_cast<std::size_t>(std::max(rect.Width(), 0));
  const std::size_t height = static_cast<std::size_t>(std::max(rect.Height(), 0));
  return std::vector<std::uint32_t>(width * height, 0);
}

}  // namespace

// Each backend hands out handles from a range of its own, so that a window object a test left bound under
// an earlier backend can never be mistaken for a window of a later one.
MemoryBackend::MemoryBackend(Size screen) : m_screen(screen) {
  static HWND nextRange = 0;
  m_nextHandle += kHandlesPerBackend * nextRange++;
}

HWND MemoryBackend::NewHandle() { return m_nextHandle++; }

HWND MemoryBackend::CreateChildWindow(HWND parent, const Rect& rect, bool visible) {
  if (std::exchange(m_refuseNextWindow, false) || !m_windows.contains(parent)) return 0;
  const HWND hwnd = NewHandle();
  m_windows[hwnd] = Window{parent, rect, true, visible, BlackPixels(rect), {}};
  return hwnd;
}

HWND MemoryBackend::CreateTopmostWindow(const Rect& rect, bool visible) {
  if (std::exchange(m_refuseNextWindow, false)) return 0;
  const HWND hwnd = NewHandle();
  m_windows[hwnd] = Window{0, rect, true, visible, BlackPixels(rect), {}};
  if (visible) {
    const Rect monitor = PrimaryOf(Monitors());
    m_topmost = hwnd;
    m_topmostRect = Rect{monitor.left + rect.left, monitor.top + rect.top, monitor.left + rect.right,
                         monitor.top + rect.bottom};
    m_covers.clear();
    UpdateCovers();
  }
  return hwnd;
}

void MemoryBackend::SetMonitors(std::vector<Monitor> monitors) {
  m_monitors = std::move(monitors);
  if (m_topmost != 0) m_coversChanged = true;
}

std::vector<Monitor> MemoryBackend::Monitors() const {
  if (m_monitors.empty()) return {Monitor{Rect{0, 0, m_screen.width, m_screen.height}, true}};
  Size screen;
  for (const Monitor& monitor : m_monitors) {
    screen = Size{std::max(screen.width, monitor.rect.right), std::max(screen.height, monitor.rect.bottom)};
  }
  return ChooseMonitors(m_monitors, {}, screen);
}

void MemoryBackend::UpdateCovers() {
  if (m_topmost == 0) return;
  const CoverPlan plan = PlanCovers(m_covers, CoverRects(Monitors(), m_topmostRect));
  ApplyCoverPlan(
      plan, &m_covers, [](Rect& cover, const Rect& rect) { cover = rect; },
      [](const Rect& rect) { return std::optional<Rect>(rect); }, [](const Rect&) {});
}

HWND MemoryBackend::CreateHostWindow(Size client) {
  const HWND hwnd = NewHandle();
  const Rect rect{0, 0, client.width, client.height};
  m_windows[hwnd] = Window{0, rect, false, true, BlackPixels(rect), {}};
  return hwnd;
}

void MemoryBackend::DestroyNativeWindow(HWND hwnd) { DestroyTree(hwnd, nullptr); }

// The window and its descendants vanish at once, as they do on a real server; the reports of ours arrive
// with the next poll, as a real server's notifications do.
void MemoryBackend::DestroyFromOutside(HWND hwnd) {
  std::vector<HWND> ours;
  DestroyTree(hwnd, &ours);
  for (const HWND gone : ours) m_events.DestroyedFromOutside(gone);
}

void MemoryBackend::DestroyTree(HWND hwnd, std::vector<HWND>* ours) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  if (ours != nullptr && found->second.ours) ours->push_back(hwnd);
  m_windows.erase(found);
  if (hwnd == m_topmost) {
    m_topmost = 0;
    m_covers.clear();
  }
  std::vector<HWND> children;
  for (const auto& [child, window] : m_windows) {
    if (window.parent == hwnd) children.push_back(child);
  }
  for (const HWND child : children) DestroyTree(child, ours);
}

bool MemoryBackend::NativeWindowExists(HWND hwnd) { return m_windows.contains(hwnd); }

bool MemoryBackend::ClientRect(HWND hwnd, Rect* rect) {
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return false;
  *rect = Rect{0, 0, found->second.rect.Width(), found->second.rect.Height()};
  return true;
}

Size MemoryBackend::ScreenSize() {
  const Rect primary = PrimaryOf(Monitors());
  return Size{primary.Width(), primary.Height()};
}

void MemoryBackend::SetCursor(HCURSOR cursor) { m_cursor = cursor; }

void MemoryBackend::PollEvents(EventSink& sink) {
  if (m_pollHook) m_pollHook();
  if (std::exchange(m_coversChanged, false)) UpdateCovers();
  m_events.DeliverTo(sink);
}

// Nothing can arrive while a test waits, so waiting with nothing pending would hang for ever. The poll hook
// gets its chance to inject something; if it does not, a wait with a limit takes that long on the test's
// clock at once, and a wait without one shows that the test has driven the saver into a wait that would
// never end: the process stops with a message instead of hanging.
void MemoryBackend::WaitEvents(EventSink& sink, int timeoutMs) {
  if (!Pending() && m_pollHook) m_pollHook();
  if (!Pending()) {
    if (timeoutMs < 0) {
      std::fputs("MemoryBackend::WaitEvents: nothing pending, the wait would never end\n", stderr);
      std::abort();
    }
    m_ticks += static_cast<std::uint32_t>(timeoutMs);
  }
  PollEvents(sink);
}

HDC MemoryBackend::GetDC(HWND hwnd) {
  if (m_getDCFails || !m_windows.contains(hwnd)) return 0;
  return static_cast<HDC>(hwnd);
}

void MemoryBackend::ReleaseDC(HWND, HDC) {}

void MemoryBackend::FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  const HWND hwnd = static_cast<HWND>(dc);
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  RecordDrawCall(DrawCall{hwnd, DrawCall::Fill, rect});
  Window& window = found->second;
  const std::int32_t width = window.rect.Width();
  const Rect area = Intersect(rect, Rect{0, 0, width, window.rect.Height()});
  for (std::int32_t y = area.top; y < area.bottom; ++y) {
    std::fill_n(window.pixels.begin() + y * width + area.left, area.Width(), rgb);
  }
}

void MemoryBackend::DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  const HWND hwnd = static_cast<HWND>(dc);
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  const Rect destination = RectAt(x, y, dib.header.biWidth, dib.header.biHeight);
  RecordDrawCall(DrawCall{hwnd, DrawCall::Dib, destination});
  Window& window = found->second;
  const Surface surface{window.pixels.data(), window.rect.Width(), window.rect.Height(), window.rect.Width()};
  BlitDib(dib, x, y, surface);
}

void MemoryBackend::RecordDrawCall(const DrawCall& call) {
  if (m_drawCalls.size() == kDrawCallLimit) m_drawCalls.pop_front();
  m_drawCalls.push_back(call);
}

std::uint32_t MemoryBackend::TickCount() { return m_ticks; }

std::int64_t MemoryBackend::CalendarTime() { return m_calendar; }

// Input is generated only for a window that exists; once generated it is delivered even if the window goes
// in between, as a real server's queued events are.
void MemoryBackend::InjectKey(HWND hwnd, std::uint32_t key, bool alt) {
  if (m_windows.contains(hwnd)) InputKey(m_events, hwnd, key, alt);
}

void MemoryBackend::InjectButton(HWND hwnd, int button) {
  assert(button >= 1 && button <= 5);
  const auto found = m_windows.find(hwnd);
  if (found == m_windows.end()) return;
  const Point at = found->second.pointer.position;
  if (button <= 3) {
    InputButton(m_events, hwnd, static_cast<MouseButton>(button), 0, at);
  } else {
    InputWheel(m_events, hwnd, button == 4, 0, at);
  }
}

void MemoryBackend::InjectMotion(HWND hwnd, std::int32_t x, std::int32_t y) {
  const auto found = m_windows.find(hwnd);
  if (found != m_windows.end()) InputCursorPos(m_events, hwnd, found->second.pointer, 0, Point{x, y});
}

void MemoryBackend::InjectFocusLoss(HWND hwnd) {
  if (m_windows.contains(hwnd)) InputFocusLoss(m_events, hwnd);
}

void MemoryBackend::InjectExpose(HWND hwnd) {
  if (m_windows.contains(hwnd)) m_events.Invalidate(hwnd);
}

const std::vector<std::uint32_t>& MemoryBackend::Pixels(HWND hwnd) const {
  assert(m_windows.contains(hwnd));
  return m_windows.at(hwnd).pixels;
}

std::uint32_t MemoryBackend::Pixel(HWND hwnd, std::int32_t x, std::int32_t y) const {
  const Window& window = m_windows.at(hwnd);
  assert(x >= 0 && y >= 0 && x < window.rect.Width() && y < window.rect.Height());
  return window.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(window.rect.Width()) +
                       static_cast<std::size_t>(x)];
}

}  // namespace veltane::platform
