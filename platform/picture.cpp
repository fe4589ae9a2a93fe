#include "platform/picture.h"

#include <algorithm>
#include <cstring>

namespace veltane::platform {

namespace {

constexpr std::uint32_t kBlack = 0;

void FillSurface(const Surface& surface, const Rect& area, std::uint32_t rgb) {
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::uint32_t* line = surface.pixels + static_cast<std::ptrdiff_t>(row) * surface.stride;
    std::fill(line + area.left, line + area.right, rgb);
  }
}

bool Contains(const Rect& outer, const Rect& inner) { return Union(outer, inner) == outer; }

}  // namespace

Picture::Picture(Size size) { Resize(size); }

// The memory comes zeroed from the system, so a picture that is mostly black never touches most of it.
void Picture::Resize(Size size) {
  const std::int32_t width = std::max(size.width, 0);
  const std::int32_t height = std::max(size.height, 0);
  if (width == m_surface.width && height == m_surface.height) return;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::unique_ptr<std::uint32_t[], Free> pixels(
      count == 0 ? nullptr : static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t))));
  if (pixels == nullptr) {
    m_pixels.reset();
    m_surface = Surface{};
    m_lit = Rect{};
    return;
  }
  const Surface resized{pixels.get(), width, height, width};
  m_lit = Intersect(m_lit, Rect{0, 0, width, height});
  CopyTo(m_lit, resized);
  m_pixels = std::move(pixels);
  m_surface = resized;
}

Rect Picture::Fill(const Rect& rect, std::uint32_t rgb) {
  Rect area = Intersect(rect, Bounds());
  if (rgb == kBlack) {
    area = Intersect(area, m_lit);
    if (Contains(area, m_lit)) m_lit = Rect{};
  } else {
    m_lit = Union(m_lit, area);
  }
  FillSurface(m_surface, area, rgb);
  return area;
}

// What lies under the bitmap is kept for the moment of the draw, so that a bitmap drawn over its own pixels,
// as a still flame is at every frame, changes nothing.
Rect Picture::Draw(std::int32_t x, std::int32_t y, const DibView& dib) {
  if (dib.header.biWidth <= 0 || dib.header.biHeight <= 0) return Rect{};
  const Rect area = Intersect(RectAt(x, y, dib.header.biWidth, dib.header.biHeight), Bounds());
  if (area.IsEmpty()) return Rect{};
  m_under.resize(static_cast<std::size_t>(area.Width()) * static_cast<std::size_t>(area.Height()));
  const Surface under{m_under.data(), area.Width(), area.Height(), area.Width()};
  CopyOut(area, under);
  BlitDib(dib, x, y, m_surface);
  const Rect changed = ChangedSince(area, under);
  m_lit = Union(m_lit, changed);
  return changed;
}

void Picture::CopyOut(const Rect& area, const Surface& target) const {
  const auto bytes = static_cast<std::size_t>(area.Width()) * sizeof(std::uint32_t);
  for (std::int32_t row = 0; row < area.Height(); ++row) {
    std::memcpy(target.pixels + static_cast<std::ptrdiff_t>(row) * target.stride,
                m_surface.pixels + static_cast<std::ptrdiff_t>(area.top + row) * m_surface.stride + area.left,
                bytes);
  }
}

// The smallest rectangle within area outside which the picture holds what before held.
Rect Picture::ChangedSince(const Rect& area, const Surface& before) const {
  const auto width = static_cast<std::size_t>(area.Width());
  Rect changed;
  for (std::int32_t row = 0; row < area.Height(); ++row) {
    const std::uint32_t* now =
        m_surface.pixels + static_cast<std::ptrdiff_t>(area.top + row) * m_surface.stride + area.left;
    const std::uint32_t* then = before.pixels + static_cast<std::ptrdiff_t>(row) * before.stride;
    if (std::memcmp(now, then, width * sizeof(std::uint32_t)) == 0) continue;
    std::size_t first = 0;
    while (now[first] == then[first]) ++first;
    std::size_t last = width;
    while (now[last - 1] == then[last - 1]) --last;
    changed = Union(changed, Rect{area.left + static_cast<std::int32_t>(first), area.top + row,
                                  area.left + static_cast<std::int32_t>(last), area.top + row + 1});
  }
  return changed;
}

void Picture::CopyTo(const Rect& rect, const Surface& target) const {
  const Rect area = Intersect(Intersect(rect, Bounds()), Rect{0, 0, target.width, target.height});
  const auto bytes = static_cast<std::size_t>(area.Width()) * sizeof(std::uint32_t);
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::memcpy(target.pixels + static_cast<std::ptrdiff_t>(row) * target.stride + area.left,
                m_surface.pixels + static_cast<std::ptrdiff_t>(row) * m_surface.stride + area.left, bytes);
  }
}

}  // namespace veltane::platform
