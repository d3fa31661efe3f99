#include "analysis/signed_rank_test.h"

#include <boost/math/distributions/normal.hpp>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "analysis/ranks.h"

namespace zarudiv {

std::vector<unsigned long long> SignedRankCounts(std::size_t n)
{
    if (n > 62)
        throw std::invalid_argument("SignedRankCounts: at most 62 ranks");
    const std::size_t top = n * (n + 1) / 2;
    std::vector<unsigned long long> counts(top + 1, 0);
    counts[0] = 1;
    // Adding rank r to every subset of 1..r-1 shifts its sums by r.
    std::size_t reach = 0;
    for (std::size_t r = 1; r <= n; ++r) {
        reach += r;
        for (std::size_t w = reach; w >= r; --w)
            counts[w] += counts[w - r];
    }
    return counts;
}

SignedRankResult SignedRankTest(const std::vector<long double>& differences)
{
    SignedRankResult result;
    result.pairs = differences.size();
    std::vector<long double> magnitudes;
    std::vector<bool> positive;
    for (long double d : differences) {
        if (d == 0.0L) {
            ++result.zeros;
            continue;
        }
        magnitudes.push_back(std::fabs(d));
        positive.push_back(d > 0.0L);
    }
    result.n = magnitudes.size();
    if (result.n == 0)
        return result;
    const Ranking ranking = MidRanks(magnitudes);
    for (std::size_t i = 0; i < result.n; ++i)
        (positive[i] ? result.wPlus : result.wMinus) += ranking.ranks[i];
    result.statistic = std::min(result.wPlus, result.wMinus);

    const auto n = static_cast<long double>(result.n);
    if (result.n <= kExactSignedRankPairs && !ranking.ties()) {
        // Without ties the rank sums are whole numbers.
        result.exact = true;
        const std::vector<unsigned long long> counts = SignedRankCounts(result.n);
        const auto w = static_cast<std::size_t>(result.wPlus);
        unsigned long long atMost = 0, atLeast = 0;
        for (std::size_t v = 0; v < counts.size(); ++v) {
            if (v <= w)
                atMost += counts[v];
            if (v >= w)
                atLeast += counts[v];
        }
        // Both counts and 2^n are exact in extended precision.
        const long double tail = static_cast<long double>(std::min(atMost, atLeast)) /
                                 std::ldexp(1.0L, static_cast<int>(result.n));
        result.p = static_cast<double>(std::min(1.0L, 2.0L * tail));
        return result;
    }
    const long double mean = n * (n + 1.0L) / 4.0L;
    const long double variance =
        (n * (n + 1.0L) * (2.0L * n + 1.0L) - 0.5L * ranking.tieTerm) / 24.0L;
    const long double z = (static_cast<long double>(result.statistic) - mean) / std::sqrt(variance);
    result.z = static_cast<double>(z);
    const boost::math::normal_distribution<long double> normal;
    result.p = static_cast<double>(2.0L * boost::math::cdf(boost::math::complement(normal, std::fabs(z))));
    return result;
}

}  // namespace zarudiv
