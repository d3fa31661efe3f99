#pragma once
// The diffusion model step and the quality measure, written the literal way:
// this is the reference the fast step is compared against bit for bit.

#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

// True exactly when 0 < k <= n.
constexpr bool InRange(int k, int n) { return k > 0 && k <= n; }

// One synchronous step of the state S under the law (A, B) with weights wA, wB.
void DiffusionStep(TVector A, TVector B, TVector& S, double wA, double wB);

// Sum of (X[k] - Y[k])^2 over the n elements of X, a double rounded after every
// addition. Makes a scratch vector the usual way: n draws.
double SquaredDistance(TVector X, TVector Y, Generator& gen);

// Euclidean distance of state from target over target's n elements, rounded
// to double. 2n draws.
double Quality(TVector target, TVector state, Generator& gen);

// The cosine factor of range j at receiving site k for n sites.
long double CosineFactor(int j, int k, int n);

}  // namespace zarudiv
