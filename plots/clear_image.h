#pragma once
// Clearing an image area before a plot.

#include "plots/canvas.h"

namespace zarudiv {

// Repaints (the screen keeps the old picture), then fills rectangle
// (1, 1, width, height) with Colour. The pen is left as it is, so the frame
// comes out in the colour and width of the last plot's pen; row 0 and column 0
// stay as they were (with a one-pixel pen). The brush stays at Colour.
void ClearImage(unsigned Colour, Canvas& Image);

}  // namespace zarudiv
