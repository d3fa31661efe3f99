#pragma once
// The diffusion step as the campaign runs it, millions of times: the cosine
// factors are computed once, and every site keeps its running value in a
// register. Each element still receives exactly the literal step's sequence
// of extended-precision operations in the same order: for a receiving site k
// the contributions arrive in emitter order i, then range order j, the
// activator term added before the inhibitor term is subtracted. The weights
// of the campaign are exactly 1.0, and multiplying by 1.0 is exact, so they
// are left out.
//
// For the campaign's size (20 sites, laws of 20 ranges) the step runs in
// hand-scheduled x87 code (twenty_site_kernel.h); for other sizes, and for
// values outside the range that code accepts, in the four-site kernel here.

#include <vector>

#include "evolution/tvector.h"
#include "evolution/twenty_site_kernel.h"

namespace zarudiv {

class FastDiffusion {
public:
    enum class Kernel {
        Fastest,    // the twenty-site code where it applies
        FourSites,  // always the four-site kernel (benchmarks compare the two)
    };

    // n sites, laws of m ranges. splitFactors: hold the cosine factors as
    // exact double pairs where they allow it (tests turn it off to exercise
    // the plain table; the twenty-site code needs them).
    FastDiffusion(int n, int m, bool splitFactors = true, Kernel kernel = Kernel::Fastest);

    // True when step() uses the twenty-site code (for values in its range).
    bool twentySites() const { return twentySites_; }
    // The factors as the twenty-site code reads them (pointing into this model).
    TwentySiteFactors twentySiteFactors() const
    {
        return {cos_.data(), split_.data(), negligibleScale_};
    }

    // One step with weights 1.0, bit-identical to DiffusionStep(A, B, S, 1.0, 1.0)
    // for vectors of count n (S) and m (A, B).
    void step(const TVector& A, const TVector& B, TVector& S) const;

    // A cosine factor held as two doubles whose sum is the factor exactly.
    using SplitFactor = FactorPair;

private:
    int n_;
    int m_;
    // cos_[k * (m_ + 1) + j] for the receiving site k and the range j.
    std::vector<long double> cos_;
    std::vector<SplitFactor> split_;
    bool splitExact_ = true;  // every factor is exactly high + low
    bool twentySites_ = false;
    double negligibleScale_ = 0.0;
};

}  // namespace zarudiv
