#pragma once
// Drawing the pie's slices.

#include <QPainter>
#include <vector>

#include "core/display/pie.h"

namespace gauzel {

// Draws `slices` for the pie square, each with a black outline: a slice whose ends meet is the
// whole ellipse, drawn over what came before. With `skipCovered`, the whole ellipses that a later
// one covers are not drawn: the same pixels, a fraction of the work when many tiny slices
// collapse to whole ellipses.
void DrawPieSlices(QPainter& painter, Rect square, const std::vector<PieSlice>& slices,
                   bool skipCovered = true);

}  // namespace gauzel
