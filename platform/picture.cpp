#include "platform/picture.h"

#include <algorithm>
#include <cstring>

namespace veltane::platform {

Picture::Picture(Size size) { Resize(size); }

void Picture::Resize(Size size) {
  const std::int32_t width = std::max(size.width, 0);
  const std::int32_t height = std::max(size.height, 0);
  if (width == m_surface.width && height == m_surface.height) return;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  const Surface resized{pixels.data(), width, height, width};
  CopyTo(Intersect(Bounds(), Rect{0, 0, width, height}), resized);
  m_pixels = std::move(pixels);
  m_surface = Surface{m_pixels.data(), width, height, width};
}

Rect Picture::Fill(const Rect& rect, std::uint32_t rgb) {
  const Rect area = Intersect(rect, Bounds());
  FillSurface(m_surface, area, rgb);
  return area;
}

Rect Picture::Draw(std::int32_t x, std::int32_t y, const DibView& dib) {
  if (dib.header.biWidth <= 0 || dib.header.biHeight <= 0) return Rect{};
  BlitDib(dib, x, y, m_surface);
  return Intersect(RectAt(x, y, dib.header.biWidth, dib.header.biHeight), Bounds());
}

void Picture::CopyTo(const Rect& rect, const Surface& target) const {
  const Rect area = Intersect(Intersect(rect, Bounds()), Rect{0, 0, target.width, target.height});
  const auto bytes = static_cast<std::size_t>(area.Width()) * sizeof(std::uint32_t);
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::memcpy(target.pixels + static_cast<std::ptrdiff_t>(row) * target.stride + area.left,
                m_surface.pixels + static_cast<std::ptrdiff_t>(row) * m_surface.stride + area.left, bytes);
  }
}

void FillSurface(const Surface& surface, const Rect& rect, std::uint32_t rgb) {
  const Rect area = Intersect(rect, Rect{0, 0, surface.width, surface.height});
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::uint32_t* line = surface.pixels + static_cast<std::ptrdiff_t>(row) * surface.stride;
    std::fill(line + area.left, line + area.right, rgb);
  }
}

}  // namespace veltane::platform
