#pragma once
// A client-area drawing context held for one scope.

#include "platform/platform.h"

namespace veltane::platform {

class ClientDC {
 public:
  explicit ClientDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(GetDC(hwnd)) {}
  ~ClientDC() {
    if (m_hDC != 0) ReleaseDC(m_hWnd, m_hDC);
  }
  ClientDC(const ClientDC&) = delete;
  ClientDC& operator=(const ClientDC&) = delete;

  HDC Get() const { return m_hDC; }
  explicit operator bool() const { return m_hDC != 0; }

 private:
  HWND m_hWnd;
  HDC m_hDC;
};

}  // namespace veltane::platform
