#pragma once
// The Wayland backend's class, shared by the files that implement it (connection, surfaces, input,
// drawing).

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "layer-shell-client.h"
#include "platform/backend.h"
#include "platform/input.h"
#include "platform/picture.h"
#include "platform/refresh_pacer.h"
#include "platform/wayland/shm_buffers.h"
#include "xdg-shell-client.h"

namespace veltane::platform::wayland {

class WaylandBackend;

struct Output {
  WaylandBackend* backend = nullptr;
  wl_output* proxy = nullptr;
  std::uint32_t name = 0;  // The registry's name, which outlives nothing: a removed output's is not reused.
  std::int32_t x = 0;      // Where the output lies in the compositor's space.
  std::int32_t y = 0;
  std::int32_t width = 0;  // Its current mode.
  std::int32_t height = 0;
  std::int32_t scale = 1;  // Screen pixels to a side of the compositor's units.
};

// One full-screen surface on one output: a window's own, or one of its black covers.
struct ShellSurface {
  WaylandBackend* backend = nullptr;
  HWND owner = 0;
  bool cover = false;
  std::uint32_t outputName = 0;  // 0: the compositor chose the output.
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  bool configured = false;
  std::int32_t width = 0;  // In the compositor's units, which its output's scale makes screen pixels.
  std::int32_t height = 0;
  std::int32_t bufferScale = 1;     // The output's scale, at which the window's buffers are drawn,
  std::int32_t committedScale = 1;  // and the one the compositor was last told of.
  std::int32_t proposedWidth = 0;   // From xdg_toplevel.configure, applied at xdg_surface.configure.
  std::int32_t proposedHeight = 0;
  std::unique_ptr<ShmBuffers> buffers;
  wl_callback* frame = nullptr;  // Asked for with the last commit, until the compositor calls it done.
};

struct OurWindow {
  std::unique_ptr<ShellSurface> main;
  std::vector<std::unique_ptr<ShellSurface>> covers;
  PointerState pointer;
  bool hadKeyboard = false;
  // The keyboard came back to the surface it had left, from somebody else's.
  bool keyboardReturned = false;
  // What the window's surface shows, and the pace at which what is drawn there is committed.
  Picture picture;
  RefreshPacer pacer;
};

struct Seat {
  WaylandBackend* backend = nullptr;
  wl_seat* proxy = nullptr;
  std::uint32_t name = 0;
  wl_pointer* pointer = nullptr;
  wl_keyboard* keyboard = nullptr;
  xkb_keymap* keymap = nullptr;
  xkb_state* state = nullptr;
  wl_surface* pointerSurface = nullptr;   // Ours, while the pointer is over it.
  std::uint32_t pointerSerial = 0;        // Of the enter, which setting the cursor needs.
  WPARAM buttons = 0;                     // MK_ bits of the buttons held.
  wl_surface* keyboardSurface = nullptr;  // Ours, while it has this seat's keyboard focus.
  wl_surface* keyboardLeft = nullptr;     // Ours, the one the keyboard last left, until it enters any.
};

class WaylandBackend : public Backend {
 public:
  WaylandBackend(wl_display* display, const BackendOptions& options);
  ~WaylandBackend() override;
  // Whether the compositor offers what a full-screen surface needs; false with the reason for the user.
  bool Usable(std::string* problem) const;

  bool ClaimFullScreen() override;

  HWND CreateChildWindow(HWND parent, const Rect& rect, bool visible) override;
  HWND CreateTopmostWindow(const Rect& rect, bool visible) override;
  void DestroyNativeWindow(HWND hwnd) override;
  bool NativeWindowExists(HWND hwnd) override;
  bool ClientRect(HWND hwnd, Rect* rect) override;
  Size ScreenSize() override;
  void SetCursor(HCURSOR cursor) override;
  void PollEvents(EventSink& sink) override;
  void WaitEvents(EventSink& sink, int timeoutMs) override;
  HDC GetDC(HWND hwnd) override;
  void ReleaseDC(HWND hwnd, HDC dc) override;
  void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) override;
  void DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) override;
  std::uint32_t TickCount() override;
  std::int64_t CalendarTime() override;

  // Called by the listeners.
  void OnGlobal(std::uint32_t name, const char* interface, std::uint32_t version);
  void OnGlobalRemove(std::uint32_t name);
  void OnConfigure(ShellSurface& shell, std::int32_t width, std::int32_t height);
  void OnOutputDone(const Output& output);
  void OnClosed(ShellSurface& shell);
  void OnFrameDone(ShellSurface& shell);
  void OnSeatCapabilities(Seat& seat, std::uint32_t capabilities);
  void OnPointerEnter(Seat& seat, std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void OnPointerMotion(Seat& seat, wl_fixed_t x, wl_fixed_t y);
  void OnPointerButton(Seat& seat, std::uint32_t button, std::uint32_t state);
  void OnPointerAxis(Seat& seat, std::uint32_t axis, wl_fixed_t value);
  void OnKeymap(Seat& seat, std::uint32_t format, int fd, std::uint32_t size);
  void OnDisplaySettled();
  void OnKeyboardEnter(Seat& seat, wl_surface* surface);
  void OnKeyboardLeave(Seat& seat, wl_surface* surface);
  void OnKey(Seat& seat, std::uint32_t key, std::uint32_t state);
  void OnModifiers(Seat& seat, std::uint32_t depressed, std::uint32_t latched, std::uint32_t locked,
                   std::uint32_t group);

 private:
  // Reads what the compositor sent, waiting at most timeoutMs (-1: no limit), and runs the listeners.
  // A lost connection ends the process.
  void Dispatch(int timeoutMs);
  // Dispatches until done() holds, or patience has passed; whether done() holds.
  bool DispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds patience);
  [[noreturn]] void ConnectionLost();
  void Deliver(EventSink& sink);

  std::unique_ptr<ShellSurface> MakeShellSurface(HWND owner, const Output* output, bool cover);
  void DestroyShellSurface(std::unique_ptr<ShellSurface> shell);
  void AddCover(HWND hwnd, OurWindow& window, const Output& output);
  // Shows a cover, black all over, at its configured size: a surface without a buffer is not shown.
  void PaintBlack(ShellSurface& shell);
  // Lays the window's picture out anew for its surface's size and its output's scale, and shows it at once;
  // all but the first layout tell the window of its new size.
  void LayOut(ShellSurface& shell, bool first);
  std::int32_t BufferScale(const ShellSurface& shell) const;
  // Commits what was drawn on each window whose compositor has asked for the next frame.
  void PresentDue();
  // Commits what was drawn on the window if the compositor has asked for the next frame, or now.
  void Present(OurWindow& window, bool now);
  RefreshPacer MakePacer() const;
  void LoseWindow(HWND hwnd);
  const Output* FindOutput(std::uint32_t name) const;
  ShellSurface* FindSurface(wl_surface* surface) const;
  // Where a point on one of a window's surfaces lies in the coordinates of its own surface.
  Point WindowPosition(const ShellSurface& shell, wl_fixed_t x, wl_fixed_t y) const;
  WPARAM Modifiers(const Seat& seat) const;
  void CheckActivation();
  // An output came or went: the keyboard moves that the compositor makes meanwhile are its own.
  void DisplayChanged();
  bool HasKeyboard(HWND hwnd) const;
  // Whether a full-screen window just shown was given the keyboard, or another surface kept it.
  bool TookKeyboard(HWND hwnd);
  void ListenToSeat(Seat& seat);
  void ReleaseSeat(Seat& seat);

  wl_display* m_display;
  wl_registry* m_registry = nullptr;
  wl_compositor* m_compositor = nullptr;
  wl_shm* m_shm = nullptr;
  zwlr_layer_shell_v1* m_layerShell = nullptr;
  xdg_wm_base* m_wmBase = nullptr;
  bool m_ignoreLayerShell;
  xkb_context* m_xkb = nullptr;
  std::vector<std::unique_ptr<Output>> m_outputs;  // In the order the compositor announced them.
  std::vector<std::unique_ptr<Seat>> m_seats;
  std::map<HWND, OurWindow> m_windows;
  std::unordered_map<wl_surface*, ShellSurface*> m_surfaces;
  HWND m_nextHandle = 0x00B00001;
  PendingEvents m_events;  // Read by the listeners, which may run where no sink is at hand.
  bool m_keyboardMoved = false;
  // Asked for after an output came or went, until the compositor answers it.
  wl_callback* m_displaySettling = nullptr;
  bool m_offersLocking = false;  // The compositor has a protocol for lock screens to take the input with.
  int m_mark = -1;               // Held locked while this process runs the compositor's full-screen saver.
  bool m_everyFrame = false;     // Every frame is committed as it is drawn, without waiting to be asked.
};

}  // namespace veltane::platform::wayland
