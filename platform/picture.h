#pragma once
// What a window shows, kept on our side: the backends that send pictures at the display's pace draw here,
// and send from here, so what reaches the display is always the newest, and what an uncovered window needs
// again is at hand. A picture also knows where it may hold anything but black: a window system that paints
// a window black by itself needs to be given only that part, and memory is touched only where drawn.
//
// On a dense monitor each picture pixel is a block of s x s screen pixels. The saver draws in picture
// pixels; all that goes to the screen (bounds, damage, copies) is in screen pixels, enlarged here and
// nowhere else, so a change costs s x s times its pixels and an unchanged picture costs nothing. The screen
// pixels that a size not divisible by s leaves over at the right and bottom are black.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform {

// Copies the screen pixels of rect, of a window of the given size whose picture is pictureSize pixels (row
// after row, 0x00RRGGBB) each drawn as a block of scale x scale, into target, whose pixel (0, 0) stands for
// the screen pixel at (left, top). Every picture is enlarged by this, whoever shows it.
void Enlarge(const std::uint32_t* picture, Size pictureSize, std::int32_t scale, Size window,
             const Rect& rect, const Surface& target, std::int32_t left = 0, std::int32_t top = 0);

class Picture {
 public:
  Picture() = default;
  // A picture for a window of this size in screen pixels, black all over, at the scale where it leaves the
  // window room enough (FitScale), else at 1.
  explicit Picture(Size size, int scale = 1);

  // Takes the window's new size, and with the second form a new scale. At an unchanged scale what lies in
  // both the old and the new picture is kept and the rest is black; a new scale starts black all over. A
  // size that no memory can be had for leaves a picture of none.
  void Resize(Size size) { Resize(size, m_askedScale); }
  void Resize(Size size, int scale);

  int Scale() const { return m_scale; }
  // The client area that the window's drawing is laid out for.
  Size ClientSize() const { return Size{m_surface.width, m_surface.height}; }

  // Each draws in picture pixels and returns the screen pixels that it may have changed; black on black
  // changes nothing.
  Rect Fill(const Rect& rect, std::uint32_t rgb);
  Rect Draw(std::int32_t x, std::int32_t y, const DibView& dib);

  // In screen pixels: the whole window, and the smallest rectangle outside which it is black.
  Rect Bounds() const { return Rect{0, 0, m_size.width, m_size.height}; }
  Rect LitBounds() const { return ToScreen(m_lit); }
  // The picture pixels themselves.
  const Surface& Pixels() const { return m_surface; }
  // Copies the screen pixels of rect into target, whose pixel (0, 0) stands for the screen pixel at
  // (left, top).
  void CopyTo(const Rect& rect, const Surface& target, std::int32_t left = 0, std::int32_t top = 0) const {
    Enlarge(m_surface.pixels, ClientSize(), m_scale, m_size, rect, target, left, top);
  }

 private:
  Rect ToScreen(const Rect& rect) const {
    return Rect{rect.left * m_scale, rect.top * m_scale, rect.right * m_scale, rect.bottom * m_scale};
  }
  // Copies area of the picture pixels into target, whose origin stands for the area's corner.
  void CopyOut(const Rect& area, const Surface& target) const;
  Rect ChangedSince(const Rect& area, const Surface& before) const;

  struct Free {
    void operator()(std::uint32_t* pixels) const { std::free(pixels); }
  };
  std::unique_ptr<std::uint32_t[], Free> m_pixels;
  Surface m_surface;
  Size m_size;
  int m_askedScale = 1;
  int m_scale = 1;
  Rect m_lit;                          // In picture pixels.
  std::vector<std::uint32_t> m_under;  // What a draw covers, while it draws.
};

}  // namespace veltane::platform
