#pragma once
// The model step for the campaign's size, 20 sites and laws of 20 ranges, in
// hand-scheduled x87 code (twenty_site_kernel.S), and the checks that decide
// when that code may run. Outside the range it accepts, the general fast step
// takes over, so callers see one step, bit-identical to the literal one.

#include "evolution/tvector.h"

namespace zarudiv {

// A cosine factor held as two doubles whose sum is the factor exactly: two
// cheap 64-bit loads and one exact addition instead of one slow 80-bit load.
struct FactorPair {
    double high;
    double low;
};

// The cosine factors as the x87 code reads them: element 21*k + j of each
// table for site k and range j, once as long double and once as a pair.
struct TwentySiteFactors {
    static constexpr int kSites = 20;
    static constexpr int kRow = kSites + 1;

    const long double* wide = nullptr;
    const FactorPair* pairs = nullptr;
    // For the factors where j*k = 10 mod 20, rounding residues of cos(pi/2)
    // whose terms the code may skip (see PlanTwentySiteStep).
    double negligibleScale = 0.0;
};

// True when the factors have the shape the x87 code relies on: exactly +1 or
// -1, with sign (-1)^(j*k/20), wherever j*k is a multiple of 20 (it leaves the
// multiplication out there), and |c| <= 1 everywhere (the skip bound below
// assumes it). `wide` and `pairs` hold 21*21 factors.
bool TwentySiteShapeHolds(const long double* wide, const FactorPair* pairs);

// 2^68 times the largest |c| over the factors the code may skip, or 0 when
// that is not small enough for the skip bound to be worth computing.
double NegligibleScale(const long double* wide);

// How a step may run. inRange: every value of the step is zero or has a
// magnitude in [2^-450, 2^500); then every product S[i]*A[j] lies well inside
// the range of double, so it splits exactly into two doubles, and no
// operation of the step can overflow, underflow or be invalid (the literal
// step raises no fault flag, and neither does this one). Outside that range
// the general step runs.
// skips: the sites (bit k-1 for site k) that may skip their negligible
// terms. A term x with |x| <= |T| * 2^-66 cannot change T under rounding to
// nearest, and that holds for every such term of site k throughout the step
// when
//   2 * sum|S| * sum(|A| + |B|) <= |S[k]|      (T stays above |S[k]|/2)
//   2^68 * max|c| * max|S| * max(|A|, |B|) <= |S[k]|,
// the maxima over the skipped factors, the states and the law. The check
// works on bounds read from the bits of the values, in double, with slack
// (2.001 and 2^68 where 2 and 2^67 would do) for its own rounding, and
// raises no flag but inexact.
struct TwentySitePlan {
    bool inRange = false;
    unsigned skips = 0;
};
TwentySitePlan PlanTwentySiteStep(const TwentySiteFactors& factors, const TVector& A,
                                  const TVector& B, const TVector& S);

// One step with weights 1.0 for n = m = 20, bit-identical to
// DiffusionStep(A, B, S, 1.0, 1.0). Returns false and leaves S untouched when
// a value is out of range (see PlanTwentySiteStep).
bool TwentySiteStep(const TwentySiteFactors& factors, const TVector& A, const TVector& B,
                    TVector& S);

}  // namespace zarudiv
