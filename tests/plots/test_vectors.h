#pragma once
// Vectors for the plot tests.

#include <initializer_list>

#include "evolution/tvector.h"

namespace zarudiv::test {

inline TVector Values(std::initializer_list<long double> values)
{
    TVector v;
    v[0] = static_cast<long double>(values.size());
    int k = 1;
    for (const long double value : values)
        v[k++] = value;
    return v;
}

}  // namespace zarudiv::test
