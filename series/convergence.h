#pragma once
// How a setting's runs converge: at each generation the median best Q over
// the runs and the quartiles around it, from the database.

#include <cstddef>
#include <vector>

#include "series/plan.h"
#include "series/series_store.h"

namespace zarudiv {

struct ConvergenceCurve {
    Setting setting;
    std::vector<int> generations;
    std::vector<double> q1;
    std::vector<double> median;
    std::vector<double> q3;
};

// At most maxPoints generations, evenly spread from the first to the last
// (all of them when there are no more); a picture has no more columns anyway.
std::vector<int> SampledGenerations(int generations, std::size_t maxPoints);

// The curve of one setting over its done runs (runs of them). The values are
// read a block of generations at a time, so that memory stays bounded
// whatever the number of runs and generations.
ConvergenceCurve Convergence(SeriesStore& store, const SeriesPlan& plan, const Setting& setting,
                             std::size_t runs, std::size_t maxPoints = 1000);

}  // namespace zarudiv
