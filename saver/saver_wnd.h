#pragma once
// The full-screen window: a flame window over the whole screen, above the others, without a pointer,
// that closes at the first key, button, movement of the mouse or loss of activation.

#include <cstdint>

#include "saver/flame_wnd.h"

namespace veltane::saver {

struct MousePosition {
  std::int32_t x = -1;
  std::int32_t y = -1;
  friend bool operator==(const MousePosition&, const MousePosition&) = default;
};

class SaverWnd : public FlameWnd {
 public:
  explicit SaverWnd(const FlameWndOptions& options = {});
  ~SaverWnd() override;

  // A topmost pop-up at 0, 0 the size of the screen. False when the window system refused it; the object
  // has then deleted itself.
  bool CreateFullScreen();

  // The first mouse position seen, in client coordinates; (-1, -1) until then. Never changes once set.
  MousePosition MouseOrigin;

 protected:
  platform::LRESULT OnSysCommand(platform::WPARAM command, platform::LPARAM lParam) override;
  platform::LRESULT OnDestroy() override;
  platform::LRESULT OnSetCursor(platform::WPARAM hwnd, platform::LPARAM hitTestAndMessage) override;
  platform::LRESULT OnNcActivate(platform::WPARAM active) override;
  platform::LRESULT OnActivate(platform::WPARAM state, platform::LPARAM other) override;
  platform::LRESULT OnActivateApp(platform::WPARAM active, platform::LPARAM thread) override;
  platform::LRESULT OnMouseMove(platform::WPARAM keys, platform::LPARAM position) override;
  platform::LRESULT OnButtonDown(platform::UINT message, platform::WPARAM keys,
                                 platform::LPARAM position) override;
  platform::LRESULT OnKeyDown(platform::UINT message, platform::WPARAM key, platform::LPARAM flags) override;

 private:
  void CloseNow();
};

}  // namespace veltane::saver
