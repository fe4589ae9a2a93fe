#pragma once
// The flame's state and its picture at once: 35 x 50 cells of 8-bit heat kept inside a 70 x 100, 24-bit,
// bottom-up image in which every cell owns a 2 x 2 pixel block, and the update pass that moves heat
// upward and sideways and recolours every cell.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace veltane::flame {

constexpr std::int32_t kGridColumns = 35;
constexpr std::int32_t kGridRows = 50;
constexpr std::int32_t kImageWidth = 70;
constexpr std::int32_t kImageHeight = 100;
constexpr std::int32_t kImageStride = 212;  // 210 bytes of pixels, padded to a multiple of 4.
constexpr std::int32_t kImageSize = kImageStride * kImageHeight;

// Offset of cell (x, y)'s block: its lower pixel row, left pixel.
constexpr std::int32_t CellOffset(std::int32_t x, std::int32_t y) { return 2 * y * kImageStride + 6 * x; }

struct Weights {
  double left = 1.0;
  double right = 1.0;
  double below = 1.355;
  friend bool operator==(const Weights&, const Weights&) = default;
};

class HeatField {
 public:
  // Where the images come from: a zeroed buffer of the given size, or none when there is no memory for it.
  using BufferSource = std::unique_ptr<std::uint8_t[]> (*)(std::size_t bytes);
  static std::unique_ptr<std::uint8_t[]> NewBuffer(std::size_t bytes);

  HeatField() = default;
  // A field whose images come from source: a test of a run that cannot have its field passes one that
  // gives none.
  explicit HeatField(BufferSource source) : m_bufferSource(source) {}

  // Obtains both images, black. On failure keeps no buffer and returns false.
  bool AllocateField();
  std::uint8_t GetCell(std::int32_t x, std::int32_t y) const;
  void SetCell(std::int32_t x, std::int32_t y, std::uint8_t v, bool coloured);
  // One pass: reads FrontImage, composes BackImage, copies it whole onto FrontImage. Says whether the picture
  // differs from the previous pass's: once a pass repeats it, and the sources sampled from it are those that
  // were stamped, every later pass with the same weights repeats it too.
  bool UpdateField();

  std::int32_t ImageStride = 0;
  std::int32_t ImageSize = 0;
  std::unique_ptr<std::uint8_t[]> FrontImage;
  std::unique_ptr<std::uint8_t[]> BackImage;
  Weights FlameWeights;
  std::array<std::uint8_t, 256> BlueTable{};

 private:
  BufferSource m_bufferSource = &NewBuffer;
};

}  // namespace veltane::flame
