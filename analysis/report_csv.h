#pragma once
// The report's tables as CSV files, reals with 17 significant digits (they
// read back exactly):
//   final-q.csv, budget-E.csv  one row per setting: the quartiles, the test
//                            against the best, the best and median runs
//   omnibus.csv              the omnibus test of each view
//   targets.csv              successes, ERT and median evaluations per
//                            target and setting
//   runs.csv                 every done run: its final Q, its Q within each
//                            budget and its evaluations to each target

#include <vector>

#include "analysis/named_file.h"
#include "analysis/series_data.h"
#include "analysis/series_analysis.h"

namespace zarudiv {

std::vector<NamedFile> ReportCsv(const SeriesData& data, const SeriesAnalysis& report);

}  // namespace zarudiv
