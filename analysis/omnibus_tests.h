#pragma once
// Whether any of k settings differs from the others. Friedman's test ranks
// the settings within each block (a seed every setting ran with); Kruskal
// and Wallis's test ranks all runs together where the seeds do not line up.
// Both compare their statistic, corrected for ties, with the chi-squared
// distribution of k - 1 degrees of freedom.

#include <cstddef>
#include <vector>

namespace zarudiv {

struct OmnibusResult {
    std::size_t groups = 0;  // k
    std::size_t blocks = 0;  // Friedman: the blocks; Kruskal-Wallis: all values
    double statistic = 0.0;
    std::size_t degreesOfFreedom = 0;
    double p = 1.0;
    // Every value tied with every other it is ranked against: there is
    // nothing to test, and p stays 1.
    bool allTied = false;
};

// blocks[b][k]: the value of group k in block b; every block has every
// group. Needs at least one block of at least two groups.
OmnibusResult FriedmanTest(const std::vector<std::vector<double>>& blocks);

// samples[k]: the values of group k. Needs at least two groups.
OmnibusResult KruskalWallisTest(const std::vector<std::vector<double>>& samples);

}  // namespace zarudiv
