#pragma once
// A window and an event sink that record what they are given, in order, for the platform tests.

#include <vector>

#include "platform/backend.h"
#include "platform/window.h"

namespace veltane::platform {

// A window that records every message it is given and otherwise behaves as the base does.
class RecordingWnd : public Wnd {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    received.push_back(Msg{m_hWnd, message, wParam, lParam});
    return Wnd::WindowProc(message, wParam, lParam);
  }
  bool CreateChildOf(HWND host, bool visible = true) {
    return CreateEx(0, WS_CHILD | (visible ? WS_VISIBLE : 0), Rect{0, 0, 40, 30}, host);
  }
  std::vector<UINT> Messages() const {
    std::vector<UINT> messages;
    for (const Msg& msg : received) messages.push_back(msg.message);
    return messages;
  }
  std::vector<Msg> received;
};

// Records what a backend reports.
struct RecordingSink : EventSink {
  void PostInput(const Msg& msg) override { input.push_back(msg); }
  void Invalidate(HWND hwnd) override { invalidated.push_back(hwnd); }
  void DestroyedFromOutside(HWND hwnd) override { destroyed.push_back(hwnd); }

  std::vector<Msg> input;
  std::vector<HWND> invalidated;
  std::vector<HWND> destroyed;
};

}  // namespace veltane::platform
