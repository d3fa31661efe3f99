#pragma once
// A coefficient vector as a row of vertical bars.

#include "evolution/tvector.h"
#include "plots/canvas.h"

namespace zarudiv {

// Bar k stands at x = k * (width div n) with the pen 4 wide, from row
// height - 2 up to row height + 3 - h, h the rescaled value (0..100); red for a
// positive coefficient, green otherwise. Bars shorter than 5 point downwards
// and show as stubs at the bottom. Repaints before drawing and when done;
// leaves a black pen of width 1.
void PlotSpectrum(TVector Coefficients, Canvas& Image);

}  // namespace zarudiv
