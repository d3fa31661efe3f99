#include "analysis/effect_size.h"

#include <stdexcept>

#include "analysis/ranks.h"

namespace zarudiv {

double ChanceOfLower(const std::vector<double>& first, const std::vector<double>& second)
{
    if (first.empty() || second.empty())
        throw std::invalid_argument("ChanceOfLower needs two samples");
    std::vector<long double> all(first.begin(), first.end());
    all.insert(all.end(), second.begin(), second.end());
    const Ranking ranking = MidRanks(all);
    // The second sample's rank sum, less its own share, counts for each of
    // its values the first's values below it, ties by half.
    long double rankSum = 0.0L;
    for (std::size_t i = first.size(); i < all.size(); ++i)
        rankSum += ranking.ranks[i];
    const auto m = static_cast<long double>(first.size());
    const auto n = static_cast<long double>(second.size());
    return static_cast<double>((rankSum - n * (n + 1.0L) / 2.0L) / (m * n));
}

}  // namespace zarudiv
