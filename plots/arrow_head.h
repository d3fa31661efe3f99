#pragma once
// The open triangle at the end of a diagram axis.

#include "plots/canvas.h"

namespace zarudiv {

// Black, one pixel wide, drawn P1 -> P2 (the tip) -> P3 -> P1, pointing to the
// given hour of a clock face: 12 up, 3 right, 6 down, 9 left; the tip lies
// 5 pixels from (x, y), the base 2 pixels to either side. Other directions
// draw nothing.
void DrawArrowHead(Canvas& image, int x, int y, int direction);

}  // namespace zarudiv
