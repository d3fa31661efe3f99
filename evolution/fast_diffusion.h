#pragma once
// The diffusion step as the campaign runs it, millions of times: the cosine
// factors are computed once, and every site keeps its running value in a
// register. Each element still receives exactly the literal step's sequence
// of extended-precision operations in the same order: for a receiving site k
// the contributions arrive in emitter order i, then range order j, the
// activator term added before the inhibitor term is subtracted. The weights
// of the campaign are exactly 1.0, and multiplying by 1.0 is exact, so they
// are left out.

#include <vector>

#include "evolution/tvector.h"

namespace zarudiv {

class FastDiffusion {
public:
    // n sites, laws of m ranges. splitFactors: hold the cosine factors as
    // exact double pairs where they allow it (tests turn it off to exercise
    // the plain table).
    FastDiffusion(int n, int m, bool splitFactors = true);

    // One step with weights 1.0, bit-identical to DiffusionStep(A, B, S, 1.0, 1.0)
    // for vectors of count n (S) and m (A, B).
    void step(const TVector& A, const TVector& B, TVector& S) const;

    // A cosine factor held as two doubles whose sum is the factor exactly:
    // two cheap 64-bit loads and one exact addition instead of one slow
    // 80-bit load.
    struct SplitFactor {
        double high;
        double low;
    };

private:
    int n_;
    int m_;
    // cos_[k * (m_ + 1) + j] for the receiving site k and the range j.
    std::vector<long double> cos_;
    std::vector<SplitFactor> split_;
    bool splitExact_ = true;  // every factor is exactly high + low
};

}  // namespace zarudiv
