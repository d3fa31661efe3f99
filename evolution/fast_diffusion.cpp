#include "evolution/fast_diffusion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "evolution/diffusion_model.h"

namespace zarudiv {

namespace {

// One contribution of emitter i at range j to a site: the activator term is
// added before the inhibitor term is subtracted, each product formed in the
// literal order c * (S[i] * A[j]).
inline void Contribute(long double& t, long double c, long double sa, long double sb)
{
    t = t + c * sa;
    t = t - c * sb;
}

// high + low in extended is exact when low holds the bits of the factor that
// double lacks: the sum is representable and so comes out unrounded.
inline long double Join(const FastDiffusion::SplitFactor& f)
{
    return static_cast<long double>(f.high) + f.low;
}

}  // namespace

FastDiffusion::FastDiffusion(int n, int m, bool splitFactors, Kernel kernel)
    : n_(n), m_(m), cos_(static_cast<std::size_t>((n + 1) * (m + 1)), 0.0L),
      splitExact_(splitFactors)
{
    for (int k = 1; k <= n_; ++k)
        for (int j = 1; j <= m_; ++j)
            cos_[static_cast<std::size_t>(k * (m_ + 1) + j)] = CosineFactor(j, k, n_);
    split_.resize(cos_.size());
    for (std::size_t i = 0; i < cos_.size(); ++i) {
        const long double c = cos_[i];
        split_[i].high = static_cast<double>(c);
        split_[i].low = static_cast<double>(c - split_[i].high);
        // Holds for every factor a cosine can give (|c| <= 1, not below about
        // 1e-20); checked all the same, the plain path remains otherwise.
        if (Join(split_[i]) != c)
            splitExact_ = false;
    }
    twentySites_ = kernel == Kernel::Fastest && splitExact_ && n_ == TwentySiteFactors::kSites &&
                   m_ == TwentySiteFactors::kSites &&
                   TwentySiteShapeHolds(cos_.data(), split_.data());
    if (twentySites_)
        negligibleScale_ = NegligibleScale(cos_.data());
}

namespace {

inline long double Value(long double c) { return c; }
inline long double Value(const FastDiffusion::SplitFactor& f) { return Join(f); }

template <typename Factor, typename Product>
void StepKernel(const Factor* table, const Product* sa, const Product* sb, int n, int m,
                const TVector& S, long double* next)
{
    const auto row = static_cast<std::size_t>(m + 1);
    const auto cosRow = [&](int k) { return table + static_cast<std::size_t>(k) * row; };

    int k = 1;
    // Four receiving sites at a time: their running values are independent
    // chains, so the x87 unit works on one while the others wait for their
    // additions. Each site still sees its contributions in order i, then j.
    for (; k + 3 <= n; k += 4) {
        const Factor* c0 = cosRow(k);
        const Factor* c1 = cosRow(k + 1);
        const Factor* c2 = cosRow(k + 2);
        const Factor* c3 = cosRow(k + 3);
        long double t0 = S[k];
        long double t1 = S[k + 1];
        long double t2 = S[k + 2];
        long double t3 = S[k + 3];
        for (int i = 1; i <= n; ++i) {
            const Product* pa = sa + static_cast<std::size_t>(i) * row;
            const Product* pb = sb + static_cast<std::size_t>(i) * row;
            const int j0 = std::max(1, std::abs(k - i));
            const int j1 = std::max(1, std::abs(k + 1 - i));
            const int j2 = std::max(1, std::abs(k + 2 - i));
            const int j3 = std::max(1, std::abs(k + 3 - i));
            const int low = std::min(std::min(j0, j1), std::min(j2, j3));
            const int high = std::max(std::max(j0, j1), std::max(j2, j3));
            // Ranges some of the four sites receive and others do not yet.
            for (int j = low; j < high && j <= m; ++j) {
                const long double a = Value(pa[j]);
                const long double b = Value(pb[j]);
                if (j >= j0)
                    Contribute(t0, Value(c0[j]), a, b);
                if (j >= j1)
                    Contribute(t1, Value(c1[j]), a, b);
                if (j >= j2)
                    Contribute(t2, Value(c2[j]), a, b);
                if (j >= j3)
                    Contribute(t3, Value(c3[j]), a, b);
            }
            for (int j = high; j <= m; ++j) {
                const long double a = Value(pa[j]);
                const long double b = Value(pb[j]);
                Contribute(t0, Value(c0[j]), a, b);
                Contribute(t1, Value(c1[j]), a, b);
                Contribute(t2, Value(c2[j]), a, b);
                Contribute(t3, Value(c3[j]), a, b);
            }
        }
        next[k] = t0;
        next[k + 1] = t1;
        next[k + 2] = t2;
        next[k + 3] = t3;
    }
    for (; k <= n; ++k) {
        const Factor* c = cosRow(k);
        long double t = S[k];
        for (int i = 1; i <= n; ++i) {
            const Product* pa = sa + static_cast<std::size_t>(i) * row;
            const Product* pb = sb + static_cast<std::size_t>(i) * row;
            for (int j = std::max(1, std::abs(k - i)); j <= m; ++j)
                Contribute(t, Value(c[j]), Value(pa[j]), Value(pb[j]));
        }
        next[k] = t;
    }
}

}  // namespace

void FastDiffusion::step(const TVector& A, const TVector& B, TVector& S) const
{
    if (twentySites_ && TwentySiteStep(twentySiteFactors(), A, B, S))
        return;
    const int n = n_;
    const int m = m_;
    const auto row = static_cast<std::size_t>(m + 1);
    const std::size_t count = static_cast<std::size_t>(n + 1) * row;

    // S[i] * A[j] does not depend on the receiving site: form each product once.
    thread_local std::vector<long double> products;
    products.resize(2 * count);
    long double* const sa = products.data();
    long double* const sb = sa + count;
    for (int i = 1; i <= n; ++i) {
        const long double si = S[i];
        const std::size_t base = static_cast<std::size_t>(i) * row;
        for (int j = 1; j <= m; ++j) {
            sa[base + static_cast<std::size_t>(j)] = si * A[j];
            sb[base + static_cast<std::size_t>(j)] = si * B[j];
        }
    }
    // An 80-bit value fills 10 of its 16 bytes. Starting from a copy of S
    // leaves the other six as the literal step does, which copies S and back.
    long double next[TVector::kSize];
    std::memcpy(next, S.e.data(), sizeof next);
    if (splitExact_)
        StepKernel(split_.data(), sa, sb, n, m, S, next);
    else
        StepKernel(cos_.data(), sa, sb, n, m, S, next);
    for (int k = 1; k <= n; ++k)
        S[k] = next[k];
}

}  // namespace zarudiv
