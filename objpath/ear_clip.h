#pragma once
// Ear clipping of a simple loop in exact outline units: the cap's way of
// cutting the loops of an outline that touches itself, where the
// whole-degree cone test of the diagonal splitting refuses.
#include <span>

#include "objpath/exact_outline.h"

namespace ks::objpath {

struct CapOutput;

// Cuts a simple loop (no two edges meet but neighbours at their shared
// corner) into corners - 2 triangles that tile it without overlap, none
// turning against the loop (only the last can be flat, where corners lie on a
// straight run), written as the cap writes triangles (AppendCapTriangle).
// Returns false, writing nothing, when no ear can be found (which happens
// only for loops that are not simple or have no area).
bool EarClip(std::span<const ExactCorner> loop, bool pathFlip, CapOutput& out);

}  // namespace ks::objpath
