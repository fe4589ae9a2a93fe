#include "tools/render/render_app.h"

#include <cstdio>

#include "platform/picture.h"
#include "platform/platform.h"
#include "platform/scale.h"
#include "saver/flame_wnd.h"
#include "tools/render/png_writer.h"

namespace veltane::render {

// The window is laid out in picture pixels, as the saver's is on a monitor of that scale, and each frame is
// enlarged as a backend enlarges it on its way to the screen.
RenderApp::RenderApp(const RenderOptions& options, platform::MemoryBackend& backend)
    : m_options(options), m_backend(backend) {
  m_scale = platform::FitScale(options.scale, {options.width, options.height});
  m_client = platform::Size{options.width / m_scale, options.height / m_scale};
  m_screen.resize(static_cast<std::size_t>(options.width) * static_cast<std::size_t>(options.height));
}

bool RenderApp::InitInstance() {
  const platform::Rect client{0, 0, m_client.width, m_client.height};
  const platform::HWND host = m_backend.CreateHostWindow(m_client);
  // The reference frames: every one of them computed, as the resting saver shows them.
  auto* window = new saver::FlameWnd(/*autoDelete=*/true, {.pacing = saver::Pacing::BackToBack});
  if (!window->CreateFlameWindow(0, platform::WS_CHILD | platform::WS_VISIBLE, client, host, 0, nullptr)) {
    m_failure = "the window could not be created";
    return false;
  }
  m_window = window->GetSafeHwnd();
  m_pMainWnd = window;
  return true;
}

bool RenderApp::PumpMessage() {
  // The outer loop's first message is the start message, whose handler runs the whole animation; the
  // steps nested inside it are the frames' message steps.
  ++m_depth;
  const bool result = WinApp::PumpMessage();
  --m_depth;
  if (m_depth == 1) EndFrame();
  return result;
}

void RenderApp::EndFrame() {
  ++m_frame;
  if (m_frame % m_options.every == 0 && m_failure.empty() && platform::IsWindow(m_window)) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06u.png", m_frame);
    const std::string path = m_options.outDir + name;
    const platform::Size screen{m_options.width, m_options.height};
    platform::Enlarge(m_backend.Pixels(m_window).data(), m_client, m_scale, screen,
                      platform::Rect{0, 0, screen.width, screen.height},
                      platform::Surface{m_screen.data(), screen.width, screen.height, screen.width});
    if (!WritePng(path, m_screen, m_options.width, m_options.height)) {
      m_failure = "cannot write " + path;
    }
  }
  if (m_frame >= m_options.frames || !m_failure.empty()) {
    platform::SendMessage(m_window, platform::WM_CLOSE, 0, 0);
  }
  m_backend.AdvanceTickCount(m_options.frameMs);
}

}  // namespace veltane::render
