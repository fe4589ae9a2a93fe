#include "platform/picture.h"

#include <algorithm>
#include <cstring>

#include "platform/scale.h"

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

// Screen columns from to to of a picture line, each picture pixel written scale times. The repeat count
// steps the source on, so that the loop needs no division.
void EnlargeRow(const std::uint32_t* line, std::int32_t from, std::int32_t to, std::int32_t scale,
                std::uint32_t* out) {
  if (scale == 1) {
    std::memcpy(out, line + from, static_cast<std::size_t>(to - from) * sizeof(std::uint32_t));
    return;
  }
  const std::uint32_t* in = line + from / scale;
  std::int32_t repeat = scale - from % scale;
  for (std::int32_t column = from; column < to; ++column) {
    *out++ = *in;
    if (--repeat == 0) {
      ++in;
      repeat = scale;
    }
  }
}

}  // namespace

// A screen line repeats the one above it while both come from the same picture line, so each picture line
// is enlarged once and copied scale - 1 times.
void Enlarge(const std::uint32_t* picture, Size pictureSize, std::int32_t scale, Size window,
             const Rect& rect, const Surface& target, std::int32_t left, std::int32_t top) {
  const Rect area = Intersect(Intersect(rect, Rect{0, 0, window.width, window.height}),
                              RectAt(left, top, target.width, target.height));
  if (area.IsEmpty()) return;
  const std::int32_t shownRight = std::clamp(pictureSize.width * scale, area.left, area.right);
  const std::int32_t shownBottom = pictureSize.height * scale;
  const auto width = static_cast<std::size_t>(area.Width());
  for (std::int32_t row = area.top; row < area.bottom; ++row) {
    std::uint32_t* out =
        target.pixels + static_cast<std::ptrdiff_t>(row - top) * target.stride + (area.left - left);
    if (row >= shownBottom) {
      std::fill(out, out + width, kBlack);
    } else if (row != area.top && row % scale != 0) {
      std::memcpy(out, out - target.stride, width * sizeof(std::uint32_t));
    } else {
      EnlargeRow(picture + static_cast<std::ptrdiff_t>(row / scale) * pictureSize.width, area.left,
                 shownRight, scale, out);
      std::fill(out + (shownRight - area.left), out + width, kBlack);
    }
  }
}

Picture::Picture(Size size, int scale) { Resize(size, scale); }

// The memory comes zeroed from the system, so a picture that is mostly black never touches most of it.
void Picture::Resize(Size size, int scale) {
  const Size window{std::max(size.width, 0), std::max(size.height, 0)};
  const int fitted = FitScale(scale, window);
  const std::int32_t width = window.width / fitted;
  const std::int32_t height = window.height / fitted;
  m_askedScale = std::max(scale, 1);
  m_size = window;
  if (fitted == m_scale && width == m_surface.width && height == m_surface.height) return;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::unique_ptr<std::uint32_t[], Free> pixels(
      count == 0 ? nullptr : static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t))));
  if (pixels == nullptr) {
    m_pixels.reset();
    m_surface = Surface{};
    m_size = Size{};
    m_lit = Rect{};
    return;
  }
  const Surface resized{pixels.get(), width, height, width};
  m_lit = fitted == m_scale ? Intersect(m_lit, Rect{0, 0, width, height}) : Rect{};
  const auto corner = static_cast<std::ptrdiff_t>(m_lit.top) * width + m_lit.left;
  CopyOut(m_lit, Surface{resized.pixels + corner, m_lit.Width(), m_lit.Height(), width});
  m_pixels = std::move(pixels);
  m_surface = resized;
  m_scale = fitted;
}

Rect Picture::Fill(const Rect& rect, std::uint32_t rgb) {
  Rect area = Intersect(rect, Rect{0, 0, m_surface.width, m_surface.height});
  if (rgb == kBlack) {
    area = Intersect(area, m_lit);
    if (Contains(area, m_lit)) m_lit = Rect{};
  } else {
    m_lit = Union(m_lit, area);
  }
  FillSurface(m_surface, area, rgb);
  return ToScreen(area);
}

// What lies under the bitmap is kept for the moment of the draw, so that a bitmap drawn over its own pixels,
// as a still flame is at every frame, changes nothing.
Rect Picture::Draw(std::int32_t x, std::int32_t y, const DibView& dib) {
  if (dib.header.biWidth <= 0 || dib.header.biHeight <= 0) return Rect{};
  const Rect area = Intersect(RectAt(x, y, dib.header.biWidth, dib.header.biHeight),
                              Rect{0, 0, m_surface.width, m_surface.height});
  if (area.IsEmpty()) return Rect{};
  m_under.resize(static_cast<std::size_t>(area.Width()) * static_cast<std::size_t>(area.Height()));
  const Surface under{m_under.data(), area.Width(), area.Height(), area.Width()};
  CopyOut(area, under);
  BlitDib(dib, x, y, m_surface);
  const Rect changed = ChangedSince(area, under);
  m_lit = Union(m_lit, changed);
  return ToScreen(changed);
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

}  // namespace veltane::platform
