#pragma once
// An outline that touches itself without its edges crossing (a corner visited
// twice where a traced shape is one pixel wide, a bridge traced out and back
// along itself, a corner resting on another edge) cut into simple loops at
// the places where it touches, so that each loop can be capped on its own.
#include <optional>
#include <vector>

#include "objpath/exact_outline.h"

namespace ks::objpath {

using ExactLoop = std::vector<ExactCorner>;

// The loops that enclose the outline's area, each simple and running the
// outline's way; parts that enclose nothing (a bridge out and back, a spike)
// are left out. The outline's edges must not cross properly (see
// ExactOutline::EdgesCrossProperly).
//
// nullopt when the loops do not tile the outline's area: a loop runs the
// other way (a figure of eight through a shared corner, or a hole reached
// along a bridge) or lies over another, or the outline encloses no area.
std::optional<std::vector<ExactLoop>> SplitIntoSimpleLoops(const ExactOutline& outline);

}  // namespace ks::objpath
