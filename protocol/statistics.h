#pragma once
// The statistics of the final data-analysis report. Each operation reads its n
// from element 0 of its first vector argument and runs over k = 1..n in
// ascending order. Results are doubles; element values are computed and kept
// in extended precision; running sums are doubles rounded after every
// addition. Read-only vectors come by value, filled vectors by reference.
//
// Every operation ends with a floating-point check (CheckFpu), so a fault in
// its arithmetic surfaces as a FloatingPointFault before the caller uses the
// result.

#include <cstdint>

#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

// sum / n. With n = 0 the division 0/0 is an invalid operation and throws.
double VectorMean(TVector v);

// d[k] := a[k] - b[k]; returns the sum of the differences. d's element 0 is
// left as the caller made it.
double DifferenceVector(TVector a, TVector b, TVector& d);

// v[k] := |v[k]|; always returns 0.0 (the report writes that result).
double AbsVector(TVector& v);

// Sum of (v[k] - mean)^2. Makes a scratch vector first: n draws.
double SumSquaredDeviations(TVector v, Generator& gen);

// Population variance (divided by n).
double Variance(TVector v);

// Square root of the variance.
double StdDeviation(TVector v);

// Smallest value, at most 1e12 (1e12 for an empty vector).
double VectorMin(TVector v);

// Largest value, at least -1e12 (-1e12 for an empty vector).
double VectorMax(TVector v);

// Number of elements with |v[k]| <= reference * percent / 100 (bound inclusive).
std::int32_t CountWithinTolerance(TVector v, double reference, double percent);

// Number of elements with centre - halfwidth < v[k] < centre + halfwidth
// (both bounds exclusive).
std::int32_t CountInBand(TVector v, double centre, double halfwidth);

// g[k] := slope of v after both axes are scaled to 0..100, g[n] := g[n - 1];
// always returns 0.0. Makes a scratch vector first: n draws. For n = 1 there
// is no slope and g[1] takes element 0 of g, as the rule for the last element
// says; for n <= 0 nothing is written.
double GradientVector(TVector v, TVector& g, Generator& gen);

// r := count n of a, r[k] := a[k] / b[k] where a[k] != 0, else 0; always
// returns 0.0. Makes r itself: n draws. A non-zero a[k] over a zero b[k] is a
// division by zero and throws.
double BasisVector(TVector a, TVector b, TVector& r, Generator& gen);

}  // namespace zarudiv
