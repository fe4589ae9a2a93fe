#include "testing/x_screen.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <utility>

namespace veltane::test {
namespace {

XErrorTrap* g_trap = nullptr;
std::function<void(const std::string&)> g_report;

}  // namespace

int HandleXError(Display* display, XErrorEvent* event) {
  for (XErrorTrap* trap = g_trap; trap != nullptr; trap = trap->m_outer) {
    if (trap->m_display == display) {
      trap->m_failed = true;
      return 0;
    }
  }
  char error[256] = {};
  char request[256] = {};
  XGetErrorText(display, event->error_code, error, sizeof error);
  XGetErrorDatabaseText(display, "XRequest", std::to_string(event->request_code).c_str(), "?", request,
                        sizeof request);
  if (g_report) {
    g_report(std::string("X error ") + error + " from request " + request + " on resource " +
             std::to_string(event->resourceid));
  }
  return 0;
}

void CatchXErrors(std::function<void(const std::string& error)> report) {
  g_report = std::move(report);
  XSetErrorHandler(HandleXError);
}

// The syncs keep the errors of requests made before the trap out of it, and those made inside it in.
XErrorTrap::XErrorTrap(Display* display) : m_display(display), m_outer(g_trap) {
  XSync(m_display, False);
  g_trap = this;
}

XErrorTrap::~XErrorTrap() {
  XSync(m_display, False);
  g_trap = m_outer;
}

bool XErrorTrap::Failed() {
  XSync(m_display, False);
  return m_failed;
}

std::vector<Window> Children(Display* display, Window window) {
  Window root = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<Window> result;
  XErrorTrap trap(display);
  if (XQueryTree(display, window, &root, &parent, &children, &count) != 0)
    result.assign(children, children + count);
  if (children != nullptr) XFree(children);
  return result;
}

std::optional<XWindowAttributes> Attributes(Display* display, Window window) {
  XWindowAttributes attributes;
  XErrorTrap trap(display);
  if (XGetWindowAttributes(display, window, &attributes) == 0 || trap.Failed()) return std::nullopt;
  return attributes;
}

std::string WindowName(Display* display, Window window) {
  char* name = nullptr;
  XErrorTrap trap(display);
  const std::string result = XFetchName(display, window, &name) != 0 && name != nullptr ? name : "";
  if (name != nullptr) XFree(name);
  return result;
}

std::vector<std::uint32_t> ReadPixels(Display* display, Window window, const Region& region) {
  std::vector<std::uint32_t> pixels;
  // A window that another client has made but not mapped yet cannot be read, nor one that has gone or been
  // unmapped since: the server refuses the request, and the trap keeps that from failing the test.
  const std::optional<XWindowAttributes> attributes = Attributes(display, window);
  if (!attributes || attributes->map_state != IsViewable) return pixels;
  XErrorTrap trap(display);
  XImage* image = XGetImage(display, window, region.x, region.y, static_cast<unsigned>(region.width),
                            static_cast<unsigned>(region.height), AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  for (int y = 0; y < region.height; ++y) {
    for (int x = 0; x < region.width; ++x)
      pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
  }
  XDestroyImage(image);
  return pixels;
}

int CountPixels(Display* display, Window window, const Region& region, bool (*matches)(std::uint32_t)) {
  int count = 0;
  for (const std::uint32_t pixel : ReadPixels(display, window, region)) count += matches(pixel) ? 1 : 0;
  return count;
}

bool IsLit(std::uint32_t pixel) { return pixel != 0; }

bool IsWarm(std::uint32_t pixel) { return ((pixel >> 16) & 0xFF) > (pixel & 0xFF) + 32; }

bool IsFlaming(std::uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) >= 180 && ((pixel >> 8) & 0xFF) >= 180 && (pixel & 0xFF) <= 100;
}

void MovePointer(Display* display, int x, int y) {
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XSync(display, False);
}

void WarpPointer(Display* display, int x, int y) {
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
}

void TapKey(Display* display, KeySym keysym, KeySym modifier) {
  const KeyCode held = modifier != NoSymbol ? XKeysymToKeycode(display, modifier) : 0;
  const KeyCode code = XKeysymToKeycode(display, keysym);
  if (held != 0) XTestFakeKeyEvent(display, held, True, CurrentTime);
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  if (held != 0) XTestFakeKeyEvent(display, held, False, CurrentTime);
  XSync(display, False);
}

void ClickButton(Display* display, unsigned button) {
  XTestFakeButtonEvent(display, button, True, CurrentTime);
  XTestFakeButtonEvent(display, button, False, CurrentTime);
  XSync(display, False);
}

void ResizeScreen(Display* display, int width, int height) {
  const Window root = DefaultRootWindow(display);
  XRRScreenResources* resources = XRRGetScreenResources(display, root);
  for (int i = 0; resources != nullptr && i < resources->ncrtc; ++i) {
    XRRSetCrtcConfig(display, resources, resources->crtcs[i], CurrentTime, 0, 0, None, RR_Rotate_0, nullptr,
                     0);
  }
  if (resources != nullptr) XRRFreeScreenResources(resources);
  // At 96 dots an inch.
  XRRSetScreenSize(display, root, width, height, width * 254 / 960, height * 254 / 960);
  XSync(display, False);
}

}  // namespace veltane::test
