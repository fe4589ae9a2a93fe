// The scale of a window's picture, for the monitor that the window is on: what the desktop says (GDK_SCALE,
// Xft.dpi) or else what the monitor's size says, with the rule in platform/scale.h.

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>

#include "platform/scale.h"
#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

namespace {

bool Holds(const Rect& rect, std::int32_t x, std::int32_t y) {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

// The physical size of the output that shows the monitor, as its EDID gave it; 0 x 0 where none is known.
// The monitor's own millimetres are no help: a server makes them up, from 96 dots per inch, for a monitor
// whose output reports none.
Size X11Backend::OutputMillimetres(const Rect& monitor) {
  Size millimetres;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(m_display, m_root, True, &count);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
  for (int i = 0; i < count && resources != nullptr; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    if (Rect{m.x, m.y, m.x + m.width, m.y + m.height} != monitor || m.noutput < 1) continue;
    if (XRROutputInfo* output = XRRGetOutputInfo(m_display, resources, m.outputs[0])) {
      millimetres =
          Size{static_cast<std::int32_t>(output->mm_width), static_cast<std::int32_t>(output->mm_height)};
      XRRFreeOutputInfo(output);
    }
  }
  if (resources != nullptr) XRRFreeScreenResources(resources);
  if (monitors != nullptr) XRRFreeMonitors(monitors);
  return millimetres;
}

// The monitor that holds the centre of rect, which lies in parent's coordinates; the primary one where none
// does (a window off every monitor, or a parent that is gone).
int X11Backend::ScaleFor(Window parent, const Rect& rect) {
  const std::vector<Monitor> monitors = QueryMonitors();
  Rect monitor = PrimaryOf(monitors);
  int x = 0;
  int y = 0;
  Window child = None;
  if (XTranslateCoordinates(m_display, parent, m_root, rect.left + rect.Width() / 2,
                            rect.top + rect.Height() / 2, &x, &y, &child)) {
    for (const Monitor& candidate : monitors) {
      if (Holds(candidate.rect, x, y)) monitor = candidate.rect;
    }
  }
  X11ScaleHints hints;
  hints.gdkScale = std::getenv("GDK_SCALE");
  if (const char* resources = XResourceManagerString(m_display)) hints.resources = resources;
  hints.monitor = Size{monitor.Width(), monitor.Height()};
  if (m_randrEventBase >= 0) hints.monitorMillimetres = OutputMillimetres(monitor);
  hints.screen = Size{DisplayWidth(m_display, m_screen), DisplayHeight(m_display, m_screen)};
  hints.screenMillimetres = Size{DisplayWidthMM(m_display, m_screen), DisplayHeightMM(m_display, m_screen)};
  return X11Scale(hints);
}

}  // namespace veltane::platform::x11
