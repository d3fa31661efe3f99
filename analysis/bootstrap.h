#pragma once
// A percentile bootstrap interval of the median: the sample is drawn again,
// with replacement, `resamples` times; the interval runs between the
// (1 - level)/2 and (1 + level)/2 quantiles (type 7) of the medians.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/split_mix.h"

namespace zarudiv {

struct Interval {
    double low = 0.0;
    double high = 0.0;
};

// values not empty; resamples > 0; 0 < level < 1.
Interval BootstrapMedianInterval(std::vector<double> values, std::size_t resamples, double level,
                                 SplitMix64& generator);

}  // namespace zarudiv
