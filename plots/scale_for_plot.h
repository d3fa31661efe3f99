#pragma once
// Fitting a vector to the height of a plot.

#include "evolution/tvector.h"

namespace zarudiv {

// Maps V[1..n] linearly onto 0 .. just under 99.99 in place: the smallest
// value becomes 0. Element 0 and the elements above n stay; a constant vector
// becomes all 0.
void ScaleForPlot(TVector& V);

}  // namespace zarudiv
