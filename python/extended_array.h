#pragma once
// Extended reals across the border: numpy's longdouble on x86-64 is the same
// 80-bit type as long double here, so values cross as their ten significant
// bytes (of sixteen), never through a double. The six bytes of padding are
// zero on the way out, so equal values have equal tobytes().

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "evolution/tvector.h"

namespace zarudiv::python {

// Elements 1..n of the vector as a new numpy.longdouble array.
pybind11::array_t<long double> ExtendedArray(const TVector& v);

// A numpy.longdouble scalar.
pybind11::object ExtendedScalar(long double x);

// A vector of count n from a one-dimensional array-like of n values (any
// numpy type numpy casts to longdouble; a longdouble array as it is). `what`
// names it in the ValueError for a wrong shape or a count outside lo..hi.
TVector VectorOf(const pybind11::handle& values, int lo, int hi, const char* what);

// One value, as numpy casts it to longdouble.
long double ExtendedOf(const pybind11::handle& value, const char* what);

}  // namespace zarudiv::python
