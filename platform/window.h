#pragma once
// The window framework: a window object bound to one native window, one dispatch chain from the most
// derived handler to default processing, and the destruction sequence with its final-destruction hook.

#include <cstdint>

#include "platform/win_types.h"

namespace veltane::platform {

class Wnd {
 public:
  Wnd() = default;
  Wnd(const Wnd&) = delete;
  Wnd& operator=(const Wnd&) = delete;
  virtual ~Wnd();

  HWND GetSafeHwnd() const { return m_hWnd; }
  // The object bound to a native window of ours, or nullptr.
  static Wnd* FromHandlePermanent(HWND hwnd);

  // Makes the native window, binds this object to it and sends WM_CREATE. A visible window's update
  // region starts invalid. Returns false when the window system refuses the window or WM_CREATE returns
  // -1; the final-destruction hook has then run, so an object that deletes itself there is gone.
  // parent 0 with WS_EX_TOPMOST makes the full-screen kind; otherwise parent names a foreign window.
  bool CreateEx(std::uint32_t exStyle, std::uint32_t style, const Rect& rect, HWND parent);
  // Sends WM_DESTROY, then WM_NCDESTROY (with the framework's final steps), and destroys the native window.
  bool DestroyWindow();

  bool PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
  Rect GetClientRect() const;

  // The one switch: each message goes to its named handler below; the rest to DefWindowProc. An override
  // must return as soon as this one has: a deletion asked for by the handlers happens on the way out.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Default processing of the message being handled.
  LRESULT Default();
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Handlers. Each base version gives default processing.
  virtual LRESULT OnCreate();
  virtual LRESULT OnPaint();
  virtual LRESULT OnSize(WPARAM type, std::int32_t width, std::int32_t height);
  virtual LRESULT OnClose();
  virtual LRESULT OnDestroy();
  virtual LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
  virtual LRESULT OnSetCursor(WPARAM hwnd, LPARAM hitTestAndMessage);
  virtual LRESULT OnNcActivate(WPARAM active);
  virtual LRESULT OnActivate(WPARAM state, LPARAM other);
  virtual LRESULT OnActivateApp(WPARAM active, LPARAM thread);
  virtual LRESULT OnMouseMove(WPARAM keys, LPARAM position);
  virtual LRESULT OnButtonDown(UINT message, WPARAM keys, LPARAM position);
  virtual LRESULT OnKeyDown(UINT message, WPARAM key, LPARAM flags);
  // Messages from WM_USER up.
  virtual LRESULT OnUserMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Runs after the window's last message, once the object is detached from it.
  virtual void PostNcDestroy() {}
  // Deletes the object, at once when none of its handlers is running, otherwise as soon as the outermost
  // of them has returned, so that no handler still on the stack (a run loop above all) loses its object.
  // Meant for PostNcDestroy.
  void DeleteWhenIdle();

  HWND m_hWnd = 0;

 private:
  friend LRESULT DispatchMessage(const Msg& msg);

  void OnNcDestroy();
  // The native window is already gone (its host destroyed it): the destruction sequence without the
  // native destroy.
  void OnNativeDestroyed();
  void Attach(HWND hwnd);
  void Detach();

  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };
  CurrentMessage m_current;
  bool m_destroying = false;
  bool m_nativeGone = false;
  int m_dispatchDepth = 0;  // Handlers of this object now running.
  bool m_deletePending = false;
};

}  // namespace veltane::platform
