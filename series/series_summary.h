#pragma once
// The series' results per setting, computed from the database (so that a
// resumed series, and one run across machines, give the same summary).

#include <cstddef>
#include <string>
#include <vector>

#include "series/plan.h"
#include "series/quantiles.h"
#include "series/series_store.h"

namespace zarudiv {

struct SettingSummary {
    Setting setting;
    std::size_t runs = 0;  // done runs; the numbers below need at least one
    FiveNumbers finalQ;
    // Evaluations until a run first reached its final best Q (the first
    // generation with that Q, times the mutants), the median over the runs.
    double medianEvaluationsToBest = 0.0;
    // For the box plot: the whisker ends (the most extreme final Qs within
    // 1.5 interquartile ranges of the box) and the final Qs beyond them.
    double lowWhisker = 0.0;
    double highWhisker = 0.0;
    std::vector<double> outliers;
};

// Every setting of the plan, best first: by median final Q, then the first
// quartile, the best Q and the plan's order. Settings without a done run last.
std::vector<SettingSummary> SummariseSeries(SeriesStore& store, const SeriesPlan& plan);

// One summary from a setting's final Qs and their best generations.
SettingSummary SummariseSetting(const Setting& setting, std::vector<RunFinal> finals);

// The table printed at the end, one line per setting.
std::string SummaryTable(const std::vector<SettingSummary>& summaries);
// The same as CSV: generations,mutants,step_ppm,runs,best,q1,median,q3,worst,
// median_evaluations_to_best; reals with 17 significant digits.
std::string SummaryCsv(const std::vector<SettingSummary>& summaries);

}  // namespace zarudiv
