#pragma once
// The taper in its dish, as a small scene of distance fields, rendered for one burn-down stage.

#include <vector>

#include "tools/stage-art/vec3.h"

namespace veltane::stageart {

constexpr int kStageWidth = 179;
constexpr int kStageHeight = 174;

// Where the pieces of one stage image must land, in image rows counted from the top.
struct StagePlacement {
  int topEdgeRow;         // The highest row of the taper's rim.
  int flameLowerEdgeRow;  // The first row below the flame image in a large window.
  int wickTipRow;         // The highest row of the wick, inside the flame's hot base.
};

StagePlacement PlacementFor(int stage);

// The stage's picture in sRGB components from 0 to 1, row 0 at the top; black where nothing is hit.
std::vector<Vec3> RenderStage(int stage);

}  // namespace veltane::stageart
