#pragma once
// What a window shows, kept on our side: the backends that send pictures at the display's pace draw here,
// and send from here, so what reaches the display is always the newest, and what an uncovered window needs
// again is at hand. A picture also knows where it may hold anything but black: a window system that paints
// a window black by itself needs to be given only that part, and memory is touched only where drawn.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform {

class Picture {
 public:
  Picture() = default;
  // A picture of the given size, black all over.
  explicit Picture(Size size);

  // Takes the new size, keeping what lies in both the old and the new; what is new is black. A size that
  // no memory can be had for leaves a picture of none.
  void Resize(Size size);
  // Each returns the part of the picture that it may have changed; black on black changes nothing.
  Rect Fill(const Rect& rect, std::uint32_t rgb);
  Rect Draw(std::int32_t x, std::int32_t y, const DibView& dib);

  Rect Bounds() const { return Rect{0, 0, m_surface.width, m_surface.height}; }
  // The smallest rectangle outside which the picture is black.
  const Rect& LitBounds() const { return m_lit; }
  const Surface& Pixels() const { return m_surface; }
  // Copies the rect's pixels into a surface at least as large as the rect's corner.
  void CopyTo(const Rect& rect, const Surface& target) const;

 private:
  // Copies area of the picture into target, whose origin stands for the area's corner.
  void CopyOut(const Rect& area, const Surface& target) const;
  Rect ChangedSince(const Rect& area, const Surface& before) const;

  struct Free {
    void operator()(std::uint32_t* pixels) const { std::free(pixels); }
  };
  std::unique_ptr<std::uint32_t[], Free> m_pixels;
  Surface m_surface;
  Rect m_lit;
  std::vector<std::uint32_t> m_under;  // What a draw covers, while it draws.
};

}  // namespace veltane::platform
