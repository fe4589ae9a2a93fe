#include <algorithm>
#include <cstddef>

#include "platform/x11/x11_backend_impl.h"

namespace veltane::platform::x11 {

namespace {

// Larger bitmaps than this are refused rather than allocated; no stage image comes near it.
constexpr std::int32_t kMaxSide = 8192;
// Written before an 8-bit run-length bitmap is decoded; the decoder writes 0x00RRGGBB words, so a pixel
// that still holds this was skipped by the bitmap and is left as it is on the screen.
constexpr std::uint32_t kUntouched = 0xFF000000;

std::size_t BgrStride(std::int32_t width) {
  return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

}  // namespace

HDC X11Backend::GetDC(HWND hwnd) { return m_windows.contains(hwnd) ? static_cast<HDC>(hwnd) : 0; }

void X11Backend::ReleaseDC(HWND, HDC) {}

void X11Backend::FillRect(HDC dc, const Rect& rect, std::uint32_t rgb) {
  const auto found = m_windows.find(static_cast<Window>(dc));
  if (found == m_windows.end()) return;
  const OurWindow& state = found->second;
  // Clipped here as well as by the server, since the protocol carries 16-bit coordinates.
  const Rect area = Intersect(rect, Rect{0, 0, state.width, state.height});
  if (area.IsEmpty()) return;
  XSetForeground(m_display, m_gc, m_images->Packer().Pack(rgb));
  XFillRectangle(m_display, found->first, m_gc, area.left, area.top, static_cast<unsigned>(area.Width()),
                 static_cast<unsigned>(area.Height()));
  XFlush(m_display);
}

void X11Backend::DrawDib(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib) {
  const auto found = m_windows.find(static_cast<Window>(dc));
  if (found == m_windows.end()) return;
  const BitmapInfoHeader& header = dib.header;
  if (header.biWidth <= 0 || header.biHeight <= 0 || header.biWidth > kMaxSide || header.biHeight > kMaxSide)
    return;
  if (header.biCompression == BI_RGB && header.biBitCount == 24) {
    DrawBottomUpBgr(found->first, found->second, x, y, dib);
  } else if (header.biCompression == BI_RLE8 && header.biBitCount == 8) {
    DrawRle(found->first, found->second, x, y, dib);
  }
}

// The flame is drawn with this every frame: the rows go straight from the bitmap into the shared image.
void X11Backend::DrawBottomUpBgr(Window window, const OurWindow& state, std::int32_t x, std::int32_t y,
                                 const DibView& dib) {
  const std::int32_t width = dib.header.biWidth;
  const std::int32_t height = dib.header.biHeight;
  const std::size_t stride = BgrStride(width);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  const std::size_t size = dib.bits.size();
  // Short data holds the bottom rows and perhaps the start of one more: those pixels are drawn, as the
  // shared decoder draws them, and the rest is left alone.
  const std::size_t wholeRows = size < rowBytes ? 0 : (size - rowBytes) / stride + 1;
  const int rows = static_cast<int>(std::min<std::size_t>(wholeRows, static_cast<std::size_t>(height)));
  const std::size_t partStart = static_cast<std::size_t>(rows) * stride;
  const int partPixels = rows < height && partStart < size ? static_cast<int>((size - partStart) / 3) : 0;
  if (rows == 0 && partPixels == 0) return;
  XImage* image = m_images->Acquire(width, height);
  if (image == nullptr) return;
  const auto imageStride = static_cast<std::size_t>(image->bytes_per_line);
  auto* data = reinterpret_cast<std::uint8_t*>(image->data);
  const int firstRow = height - rows;
  const PixelPacker& packer = m_images->Packer();
  packer.PackBottomUpBgr(dib.bits.data(), stride, width, rows,
                         data + static_cast<std::size_t>(firstRow) * imageStride, imageStride);
  PutClipped(window, state, image, 0, firstRow, width, rows, x, y);
  if (partPixels > 0) {
    packer.PackBottomUpBgr(dib.bits.data() + partStart, stride, partPixels, 1,
                           data + static_cast<std::size_t>(firstRow - 1) * imageStride, imageStride);
    PutClipped(window, state, image, 0, firstRow - 1, partPixels, 1, x, y);
  }
  XFlush(m_display);
}

void X11Backend::DrawRle(Window window, const OurWindow& state, std::int32_t x, std::int32_t y,
                         const DibView& dib) {
  const std::int32_t width = dib.header.biWidth;
  const std::int32_t height = dib.header.biHeight;
  m_decoded.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kUntouched);
  BlitDib(dib, 0, 0, Surface{m_decoded.data(), width, height, width});
  XImage* image = m_images->Acquire(width, height);
  if (image == nullptr) return;
  m_images->Packer().PackRgbWords(m_decoded.data(), static_cast<std::size_t>(width), width, height,
                                  reinterpret_cast<std::uint8_t*>(image->data),
                                  static_cast<std::size_t>(image->bytes_per_line));
  const bool complete = std::none_of(m_decoded.begin(), m_decoded.end(),
                                     [](std::uint32_t pixel) { return (pixel & kUntouched) != 0; });
  if (complete) {
    PutClipped(window, state, image, 0, 0, width, height, x, y);
  } else {
    // Each row goes out in the runs that the bitmap actually covers.
    for (int row = 0; row < height; ++row) {
      const std::uint32_t* pixels =
          m_decoded.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
      int start = 0;
      while (start < width) {
        while (start < width && (pixels[start] & kUntouched) != 0) ++start;
        int end = start;
        while (end < width && (pixels[end] & kUntouched) == 0) ++end;
        if (end > start) PutClipped(window, state, image, start, row, end - start, 1, x, y);
        start = end;
      }
    }
  }
  XFlush(m_display);
}

// Puts the image's columns [srcX, srcX + columns) of rows [srcY, srcY + rows), the image's top-left corner
// at (x, y), clipped to the window here rather than by the server alone, since the protocol carries 16-bit
// coordinates.
void X11Backend::PutClipped(Window window, const OurWindow& state, XImage* image, int srcX, int srcY,
                            int columns, int rows, std::int32_t x, std::int32_t y) {
  const Rect put = Intersect(RectAt(std::int64_t{x} + srcX, std::int64_t{y} + srcY, columns, rows),
                             Rect{0, 0, state.width, state.height});
  if (put.IsEmpty()) return;
  m_images->Put(window, m_gc, image, static_cast<int>(std::int64_t{put.left} - x),
                static_cast<int>(std::int64_t{put.top} - y), put.left, put.top, put.Width(), put.Height());
}

}  // namespace veltane::platform::x11
