#pragma once
// Wilcoxon's signed-rank test on paired differences, two-sided. Pairs with
// no difference carry no sign and are left out (Wilcoxon's own rule, R's
// and scipy's default). Up to 50 remaining pairs without tied absolute
// differences, the p-value comes from the exact distribution of the rank
// sum; otherwise from the normal approximation, its variance corrected for
// ties, without a continuity correction.

#include <cstddef>
#include <vector>

namespace zarudiv {

// Largest number of pairs for the exact distribution.
inline constexpr std::size_t kExactSignedRankPairs = 50;

struct SignedRankResult {
    std::size_t pairs = 0;  // all differences given
    std::size_t zeros = 0;  // of them no difference, left out
    std::size_t n = 0;      // pairs - zeros: the ranked differences
    double wPlus = 0.0;     // the rank sum of the positive differences
    double wMinus = 0.0;
    double statistic = 0.0;  // min(wPlus, wMinus)
    bool exact = false;
    double z = 0.0;  // the normal approximation's, when not exact
    // Two-sided; 1 when nothing is left to rank.
    double p = 1.0;
};

SignedRankResult SignedRankTest(const std::vector<long double>& differences);

// The number of subsets of {1, ..., n} whose sum is w, for w = 0 ..
// n(n+1)/2: 2^n times the exact null distribution of W+. n <= 62.
std::vector<unsigned long long> SignedRankCounts(std::size_t n);

}  // namespace zarudiv
