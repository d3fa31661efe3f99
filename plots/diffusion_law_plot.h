#pragma once
// The diffusion law of one coefficient vector: the cumulative positive part
// in red ("AKTIVATOR") and the cumulative negative part in green
// ("INHIBITOR "), both on one scale of 0..99 pixels above the bottom row.

#include "evolution/random_source.h"
#include "evolution/tvector.h"
#include "plots/canvas.h"

namespace zarudiv {

// Makes its two working vectors with InitVector and ClearVector, so it always
// takes exactly 2n draws from gen, whatever the coefficients. Repaints after
// the scaling and again when done; leaves a black pen of width 1 and a green
// brush.
void PlotDiffusionLaw(TVector Coefficients, Canvas& Image, Generator& gen);

}  // namespace zarudiv
