#pragma once
// A backend that passes everything on to the real one, counts the flame images drawn, and asks the window
// to close once its time is up, from inside the saver's own message step or its rest.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>

#include "platform/backend.h"
#include "platform/platform.h"

namespace veltane::bench {

class CountingBackend : public platform::Backend {
 public:
  explicit CountingBackend(std::unique_ptr<platform::Backend> real) : m_real(std::move(real)) {}

  void CloseAfter(platform::HWND hwnd, std::chrono::steady_clock::duration duration) {
    m_closing = hwnd;
    m_deadline = std::chrono::steady_clock::now() + duration;
  }
  long FlameFrames() const { return m_flameFrames; }
  // Flame frames per second between the first flame drawn and the last, so that starting the window and
  // closing it are not counted as frame time.
  double FlameFramesPerSecond() const {
    const std::chrono::duration<double> span = m_lastFlame - m_firstFlame;
    return m_flameFrames > 1 && span.count() > 0 ? static_cast<double>(m_flameFrames - 1) / span.count() : 0;
  }

  platform::HWND CreateChildWindow(platform::HWND parent, const platform::Rect& rect, bool visible) override {
    return m_real->CreateChildWindow(parent, rect, visible);
  }
  platform::HWND CreateTopmostWindow(const platform::Rect& rect, bool visible) override {
    return m_real->CreateTopmostWindow(rect, visible);
  }
  void DestroyNativeWindow(platform::HWND hwnd) override { m_real->DestroyNativeWindow(hwnd); }
  bool NativeWindowExists(platform::HWND hwnd) override { return m_real->NativeWindowExists(hwnd); }
  bool ClientRect(platform::HWND hwnd, platform::Rect* rect) override {
    return m_real->ClientRect(hwnd, rect);
  }
  platform::Size ScreenSize() override { return m_real->ScreenSize(); }
  void SetCursor(platform::HCURSOR cursor) override { m_real->SetCursor(cursor); }
  void PollEvents(platform::EventSink& sink) override {
    CloseIfDue();
    m_real->PollEvents(sink);
  }
  // A resting loop sleeps here; the wait ends at the closing time at the latest.
  void WaitEvents(platform::EventSink& sink, int timeoutMs) override {
    if (m_closing != 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now());
      const int untilClose = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
      timeoutMs = timeoutMs < 0 ? untilClose : std::min(timeoutMs, untilClose);
    }
    m_real->WaitEvents(sink, timeoutMs);
    CloseIfDue();
  }
  platform::HDC GetDC(platform::HWND hwnd) override { return m_real->GetDC(hwnd); }
  void ReleaseDC(platform::HWND hwnd, platform::HDC dc) override { m_real->ReleaseDC(hwnd, dc); }
  void FillRect(platform::HDC dc, const platform::Rect& rect, std::uint32_t rgb) override {
    m_real->FillRect(dc, rect, rgb);
  }
  void DrawDib(platform::HDC dc, std::int32_t x, std::int32_t y, const platform::DibView& dib) override {
    m_real->DrawDib(dc, x, y, dib);
    if (dib.header.biBitCount == 24) {
      m_lastFlame = std::chrono::steady_clock::now();
      if (m_flameFrames++ == 0) m_firstFlame = m_lastFlame;
    }
  }
  std::uint32_t TickCount() override { return m_real->TickCount(); }
  std::int64_t CalendarTime() override { return m_real->CalendarTime(); }

 private:
  void CloseIfDue() {
    if (m_closing != 0 && std::chrono::steady_clock::now() >= m_deadline) {
      platform::PostMessage(std::exchange(m_closing, 0), platform::WM_CLOSE, 0, 0);
    }
  }

  std::unique_ptr<platform::Backend> m_real;
  platform::HWND m_closing = 0;
  std::chrono::steady_clock::time_point m_deadline;
  long m_flameFrames = 0;
  std::chrono::steady_clock::time_point m_firstFlame;
  std::chrono::steady_clock::time_point m_lastFlame;
};

}  // namespace veltane::bench
