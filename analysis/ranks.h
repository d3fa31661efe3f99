#pragma once
// Ranks for the rank tests: 1 for the smallest value, tied values sharing
// the mean of the ranks they take (midranks).

#include <vector>

namespace zarudiv {

struct Ranking {
    std::vector<double> ranks;  // ranks[i] belongs to values[i]
    // The sum of t^3 - t over the groups of t tied values: what the tests'
    // tie corrections need.
    double tieTerm = 0.0;
    bool ties() const { return tieTerm != 0.0; }
};

Ranking MidRanks(const std::vector<long double>& values);

}  // namespace zarudiv
