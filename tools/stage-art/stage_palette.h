#pragma once
// The 256 colours that all six stage images share, and the mapping of rendered pictures onto them.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/dib.h"
#include "tools/stage-art/vec3.h"

namespace veltane::stageart {

using Palette = std::array<platform::RgbQuad, 256>;

// Index 0 is black, the background. The rest are ramps from dark to light, in this order: wick darks, dish
// browns, wax, highlight; each is chosen by clustering the colours the pictures actually use.
Palette BuildPalette(const std::vector<std::vector<Vec3>>& pictures);

// The nearest palette colour for every pixel of a picture width pixels wide, with a light ordered dither;
// a pixel that is black at eight bits is index 0.
std::vector<std::uint8_t> MapToPalette(const std::vector<Vec3>& picture, int width, const Palette& palette);

// The same colours with their light scaled by factor (in linear light), for the burned-down stages.
Palette Darkened(const Palette& palette, double factor);

}  // namespace veltane::stageart
