#pragma once
// What a window shows, kept on our side: the backends that send pictures at the display's pace draw here,
// and send from here, so what reaches the display is always the newest, and what an uncovered window needs
// again is at hand.

#include <cstdint>
#include <vector>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform {

class Picture {
 public:
  Picture() = default;
  // A picture of the given size, black all over.
  explicit Picture(Size size);

  // Takes the new size, keeping what lies in both the old and the new; what is new is black.
  void Resize(Size size);
  // Each returns the part of the picture that it changed, which is empty when it changed nothing.
  Rect Fill(const Rect& rect, std::uint32_t rgb);
  Rect Draw(std::int32_t x, std::int32_t y, const DibView& dib);

  Rect Bounds() const { return Rect{0, 0, m_surface.width, m_surface.height}; }
  const Surface& Pixels() const { return m_surface; }
  // Copies the rect's pixels into a surface of the picture's size.
  void CopyTo(const Rect& rect, const Surface& target) const;

 private:
  std::vector<std::uint32_t> m_pixels;
  Surface m_surface;
};

// Fills the part of rect that lies on the surface with colour 0x00RRGGBB.
void FillSurface(const Surface& surface, const Rect& rect, std::uint32_t rgb);

}  // namespace veltane::platform
