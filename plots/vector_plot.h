#pragma once
// A vector as one polyline.

#include "evolution/tvector.h"
#include "plots/canvas.h"

namespace zarudiv {

// Point k at x = k * (width div n), the rescaled value (0..100) above the
// bottom row. The pen width is left as it is. Repaints before drawing and
// when done; leaves the pen in Colour.
void PlotVector(unsigned Colour, TVector V, Canvas& Image);

}  // namespace zarudiv
