#pragma once
// Writing an 8-bit picture as a run-length coded .bmp file in which every row codes all of its pixels.

#include <cstdint>
#include <vector>

#include "tools/stage-art/stage_palette.h"

namespace veltane::stageart {

// The whole file: the 14-byte file header, the 40-byte info header (colour count 0, so the table has 256
// entries), the colour table and the coded rows, bottom row first. indices holds the rows top-down.
// Rows use runs and literal stretches only, never a delta; each ends with the end-of-line escape once it
// is full, the last with the end-of-bitmap escape instead.
std::vector<std::uint8_t> EncodeRle8Bitmap(const std::vector<std::uint8_t>& indices, int width, int height,
                                           const Palette& palette);

}  // namespace veltane::stageart
