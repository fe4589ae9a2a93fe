#pragma once
// Runs the saver's own flame window and run loop on the in-memory backend, as a preview of the requested
// size, and writes what the window shows after the message step of every K-th frame.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/memory/memory_backend.h"
#include "tools/render/render_options.h"

namespace veltane::render {

class RenderApp : public platform::WinApp {
 public:
  RenderApp(const RenderOptions& options, platform::MemoryBackend& backend);

  bool InitInstance() override;
  // One message step. A step taken inside the run loop ends a frame: the frame is written when it is due,
  // the window is closed after the last frame, and the clock moves on by one frame.
  bool PumpMessage() override;

  // Empty while every frame was written; otherwise why one was not.
  const std::string& Failure() const { return m_failure; }

 private:
  void EndFrame();

  RenderOptions m_options;
  platform::MemoryBackend& m_backend;
  platform::HWND m_window = 0;
  std::int32_t m_scale = 1;
  platform::Size m_client;              // The window's client area, in picture pixels.
  std::vector<std::uint32_t> m_screen;  // A frame, each picture pixel enlarged to its block.
  std::uint32_t m_frame = 0;
  int m_depth = 0;
  std::string m_failure;
};

}  // namespace veltane::render
