#include "analysis/ranks.h"

#include <algorithm>
#include <numeric>

namespace zarudiv {

Ranking MidRanks(const std::vector<long double>& values)
{
    Ranking ranking;
    ranking.ranks.resize(values.size());
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    long double tieTerm = 0.0L;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t end = first + 1;
        while (end < order.size() && values[order[end]] == values[order[first]])
            ++end;
        // Ranks first+1 .. end; their mean is a multiple of 1/2, exact.
        const double rank = (static_cast<double>(first + 1) + static_cast<double>(end)) / 2.0;
        for (std::size_t i = first; i < end; ++i)
            ranking.ranks[order[i]] = rank;
        const auto t = static_cast<long double>(end - first);
        tieTerm += t * t * t - t;
        first = end;
    }
    ranking.tieTerm = static_cast<double>(tieTerm);
    return ranking;
}

}  // namespace zarudiv
