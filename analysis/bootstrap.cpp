#include "analysis/bootstrap.h"

#include <algorithm>
#include <stdexcept>

#include "series/quantiles.h"

namespace zarudiv {

Interval BootstrapMedianInterval(std::vector<double> values, std::size_t resamples, double level,
                                 SplitMix64& generator)
{
    if (values.empty() || resamples == 0)
        throw std::invalid_argument("BootstrapMedianInterval needs values and resamples");
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    // A resample is a count per position of the sorted sample; its median
    // is found by walking the counts, so no resample is sorted.
    std::vector<std::uint32_t> counts(n);
    std::vector<double> medians;
    medians.reserve(resamples);
    const std::size_t lowRank = (n - 1) / 2;  // 0-based order statistics
    const std::size_t highRank = n / 2;
    for (std::size_t r = 0; r < resamples; ++r) {
        std::fill(counts.begin(), counts.end(), 0u);
        for (std::size_t i = 0; i < n; ++i)
            ++counts[generator.below(n)];
        std::size_t seen = 0;
        double low = 0.0, high = 0.0;
        bool lowFound = false;
        for (std::size_t at = 0; at < n; ++at) {
            seen += counts[at];
            if (!lowFound && seen > lowRank) {
                low = values[at];
                lowFound = true;
            }
            if (seen > highRank) {
                high = values[at];
                break;
            }
        }
        medians.push_back(static_cast<double>((static_cast<long double>(low) + high) / 2.0L));
    }
    std::sort(medians.begin(), medians.end());
    return Interval{Quantile(medians, (1.0 - level) / 2.0), Quantile(medians, (1.0 + level) / 2.0)};
}

}  // namespace zarudiv
