// Drawing and presenting: what a window shows is kept on our side, in its picture, and drawn there; the
// damage goes to the server once a refresh of the display has come, by the Present extension's notices
// where the server has it, else by the clock at the rate of the monitor's mode, else at 60 Hz.

#include <X11/extensions/Xpresent.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/system_time.h"
#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

namespace {

constexpr std::int64_t kMicrosecondsPerSecond = 1000000;
constexpr std::int64_t kDefaultRefreshInterval = kMicrosecondsPerSecond / 60;

// The mode's refresh interval in microseconds, from its timings; 0 when they give no rate.
std::int64_t IntervalOfMode(const XRRModeInfo& mode) {
  double lines = mode.vTotal;
  if ((mode.modeFlags & RR_DoubleScan) != 0) lines *= 2;
  if ((mode.modeFlags & RR_Interlace) != 0) lines /= 2;
  const double dotsPerRefresh = lines * mode.hTotal;
  if (mode.dotClock == 0 || dotsPerRefresh <= 0) return 0;
  return static_cast<std::int64_t>(dotsPerRefresh * kMicrosecondsPerSecond /
                                   static_cast<double>(mode.dotClock));
}

}  // namespace

// Whether the server tells the display's refreshes; where it does not, how often they come.
void X11Backend::ChoosePace() {
  if (m_everyFrame) return;
  int opcode = 0;
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XPresentQueryExtension(m_display, &opcode, &eventBase, &errorBase) &&
      XPresentQueryVersion(m_display, &major, &minor) != 0) {
    m_presentOpcode = opcode;
  } else {
    m_refreshInterval = ModeRefreshInterval();
  }
}

// The refresh interval of the primary monitor's mode, or, where no monitor is primary or its mode gives no
// rate, of the first lit monitor whose mode does; 60 Hz where none does.
std::int64_t X11Backend::ModeRefreshInterval() {
  int major = 0;
  int minor = 0;
  int eventBase = 0;
  int errorBase = 0;
  if (!XRRQueryExtension(m_display, &eventBase, &errorBase) || !XRRQueryVersion(m_display, &major, &minor) ||
      major * 100 + minor < 103) {
    return kDefaultRefreshInterval;
  }
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(m_display, m_root);
  if (resources == nullptr) return kDefaultRefreshInterval;
  std::vector<RRCrtc> crtcs;
  const RROutput primary = XRRGetOutputPrimary(m_display, m_root);
  if (XRROutputInfo* info = primary != None ? XRRGetOutputInfo(m_display, resources, primary) : nullptr) {
    crtcs.push_back(info->crtc);
    XRRFreeOutputInfo(info);
  }
  crtcs.insert(crtcs.end(), resources->crtcs, resources->crtcs + resources->ncrtc);
  std::int64_t interval = 0;
  for (const RRCrtc crtc : crtcs) {
    XRRCrtcInfo* info = crtc != None ? XRRGetCrtcInfo(m_display, resources, crtc) : nullptr;
    if (info == nullptr) continue;
    for (int i = 0; i < resources->nmode && info->mode != None; ++i) {
      if (resources->modes[i].id == info->mode) interval = IntervalOfMode(resources->modes[i]);
    }
    XRRFreeCrtcInfo(info);
    if (interval > 0) break;
  }
  XRRFreeScreenResources(resources);
  return interval > 0 ? interval : kDefaultRefreshInterval;
}

RefreshPacer X11Backend::MakePacer() const {
  if (m_everyFrame) return RefreshPacer(&SystemMicroseconds, 0);
  if (m_presentOpcode >= 0) return RefreshPacer();
  return RefreshPacer(&SystemMicroseconds, m_refreshInterval);
}

// Refreshes are asked for one at a time, after each picture, so a window that shows nothing new costs the
// server nothing.
void X11Backend::WatchRefreshes(Window window) {
  if (m_presentOpcode >= 0) XPresentSelectInput(m_display, window, PresentCompleteNotifyMask);
}

void X11Backend::TranslatePresentEvent(XEvent& event) {
  if (event.xcookie.extension != m_presentOpcode || !XGetEventData(m_display, &event.xcookie)) return;
  if (event.xcookie.evtype == PresentCompleteNotify) {
    const auto* complete = static_cast<const XPresentCompleteNotifyEvent*>(event.xcookie.data);
    const auto found = m_windows.find(complete->window);
    if (found != m_windows.end() && complete->kind == PresentCompleteKindNotifyMSC)
      found->second.pacer.Refreshed();
  }
  XFreeEventData(m_display, &event.xcookie);
}

void X11Backend::PresentDue() {
  bool sent = false;
  for (auto& [window, state] : m_windows) {
    if (!state.pacer.Due()) continue;
    PutPicture(window, state.picture, state.pacer.Damage());
    state.pacer.Sent();
    // The next refresh after the current one: any count of refreshes from now that is a multiple of one.
    if (m_presentOpcode >= 0) XPresentNotifyMSC(m_display, window, 0, 0, 1, 0);
    sent = true;
  }
  if (sent) XFlush(m_display);
}

int X11Backend::MillisecondsUntilDue() const {
  int soonest = -1;
  for (const auto& entry : m_windows) {
    const int due = entry.second.pacer.MillisecondsUntilDue();
    if (due >= 0 && (soonest < 0 || due < soonest)) soonest = due;
  }
  return soonest;
}

// The part of the window in rect, in screen pixels, put where it belongs.
void X11Backend::PutPicture(Window window, const Picture& picture, const Rect& rect) {
  const Rect area = Intersect(rect, picture.Bounds());
  if (area.IsEmpty()) return;
  XImage* image = m_images->Acquire(area.Width(), area.Height());
  if (image == nullptr) return;
  m_images->Compose(image, picture, area);
  m_images->Put(window, m_gc, image, 0, 0, area.left, area.top, area.Width(), area.Height());
}

HDC X11Backend::GetDC(HWND hwnd) { return m_windows.contains(hwnd) ? static_cast<HDC>(hwnd) : 0; }

void X11Backend::ReleaseDC(HWND, HDC) {}

void X11Backend::FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  const auto found = m_windows.find(static_cast<Window>(dc));
  if (found == m_windows.end()) return;
  OurWindow& state = found->second;
  state.pacer.Damage(state.picture.Fill(rect, rgb));
}

void X11Backend::DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  const auto found = m_windows.find(static_cast<Window>(dc));
  if (found == m_windows.end()) return;
  OurWindow& state = found->second;
  state.pacer.Damage(state.picture.Draw(x, y, dib));
}

}  // namespace veltane::platform::x11
