#include <string>

#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

// The mark is the ownership of a selection named after the screen, held by a window that is never shown:
// the server drops both with the connection, however the process ends. The server is held while the
// owner is asked and set, so that two savers that start together cannot both find the selection free.
bool X11Backend::ClaimFullScreen() {
  const std::string name = "_VELTANE_FULL_SCREEN_S" + std::to_string(m_screen);
  const Atom selection = XInternAtom(m_display, name.c_str(), False);
  const Window owner =
      XCreateWindow(m_display, m_root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
  XGrabServer(m_display);
  const bool free = XGetSelectionOwner(m_display, selection) == None;
  if (free) XSetSelectionOwner(m_display, selection, owner, CurrentTime);
  XUngrabServer(m_display);
  if (!free) XDestroyWindow(m_display, owner);
  XSync(m_display, False);
  return free;
}

}  // namespace veltane::platform::x11
