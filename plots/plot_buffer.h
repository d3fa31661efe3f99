#pragma once
// The hand-over vector of the vector plots: the caller copies the vector to be
// drawn into it and passes it on. The plots take their vector by value, so it
// still holds the last vector handed over.

#include "evolution/tvector.h"

namespace zarudiv {

extern TVector PlotBuffer;

}  // namespace zarudiv
