#pragma once
// The element count of a vector as the plots read it.

#include <algorithm>

#include "evolution/tvector.h"

namespace zarudiv {

// round(v[0]), kept within what a record holds, so that no plot reads or
// writes past its 100 values whatever element 0 says.
inline int PlotCount(const TVector& v)
{
    return std::clamp(VectorCount(v), 0, TVector::kSize - 1);
}

// Column width: the canvas width divided by the count, truncated. An empty
// vector gets width 0 (it draws no column anyway).
inline int ColumnWidth(int canvasWidth, int n)
{
    return n > 0 ? canvasWidth / n : 0;
}

}  // namespace zarudiv
