#include "fast_diffusion.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "diffusion_model.h"

namespace zarudiv {

FastDiffusion::FastDiffusion(int n, int m)
    : n_(n), m_(m), cos_(static_cast<std::size_t>((n + 1) * (m + 1)), 0.0L)
{
    for (int k = 1; k <= n_; ++k)
        for (int j = 1; j <= m_; ++j)
            cos_[static_cast<std::size_t>(k * (m_ + 1) + j)] = CosineFactor(j, k, n_);
}

void FastDiffusion::Step(const TVector& A, const TVector& B, TVector& S) const
{
    const int n = n_;
    const int m = m_;
    // S[i] * A[j] does not depend on the receiving site: form each product once.
    const std::size_t row = static_cast<std::size_t>(m + 1);
    thread_local std::vector<long double> products;
    products.resize(2 * static_cast<std::size_t>(n + 1) * row);
    long double* const sa = products.data();
    long double* const sb = sa + static_cast<std::size_t>(n + 1) * row;
    for (int i = 1; i <= n; ++i) {
        const long double si = S[i];
        for (int j = 1; j <= m; ++j) {
            sa[static_cast<std::size_t>(i) * row + static_cast<std::size_t>(j)] = si * A[j];
            sb[static_cast<std::size_t>(i) * row + static_cast<std::size_t>(j)] = si * B[j];
        }
    }
    long double next[TVector::kSize];
    for (int k = 1; k <= n; ++k) {
        const long double* c = &cos_[static_cast<std::size_t>(k * (m + 1))];
        long double t = S[k];
        for (int i = 1; i <= n; ++i) {
            const long double* pa = sa + static_cast<std::size_t>(i) * row;
            const long double* pb = sb + static_cast<std::size_t>(i) * row;
            for (int j = std::max(1, std::abs(k - i)); j <= m; ++j) {
                t = t + c[j] * pa[j];
                t = t - c[j] * pb[j];
            }
        }
        next[k] = t;
    }
    for (int k = 1; k <= n; ++k)
        S[k] = next[k];
}

}  // namespace zarudiv
