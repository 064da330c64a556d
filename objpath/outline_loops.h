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

// The rings that tile the outline's area, each to be cut by EarClip: a simple
// loop running the outline's way, with the loops of the holes inside it
// (where the outline ran along a bridge to a loop running the other way)
// joined to it at a shared corner or along a bridge out and back. Parts that
// enclose nothing (a bridge out and back, a spike) are left out. The
// outline's edges must not cross properly (see
// ExactOutline::EdgesCrossProperly).
//
// nullopt when the loops do not tile the outline's area once: a loop passes
// through another at shared corners (a figure of eight), lies over another,
// or runs the other way outside every loop; or when the outline encloses no
// area.
std::optional<std::vector<ExactLoop>> CapRings(const ExactOutline& outline);

}  // namespace ks::objpath
