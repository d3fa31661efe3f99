#pragma once
// The fixed-target view: how many evaluations a setting's runs need until
// their best Q is at most a target t, and in how many runs they get there.
// ERT, the expected running time, adds up the evaluations of all runs, each
// counted until it reached t or its budget ran out, and divides by the runs
// that reached it: the evaluations one success costs, restarts included.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/series_data.h"

namespace zarudiv {

// The evaluations after which the run's best Q is first at most target (its
// generation times M), or none.
std::optional<std::int64_t> EvaluationsToReach(const DoneRun& run, const Setting& setting,
                                               double target);

struct TargetRow {
    std::size_t setting = 0;  // index in SeriesData::settings
    std::size_t runs = 0;
    std::size_t successes = 0;
    double ert = 0.0;  // infinite without a success
    std::optional<double> medianEvaluations;  // of the successful runs
};

struct TargetBlock {
    double target = 0.0;
    // Settings with done runs, by ERT, then successes (more first), then the
    // plan's order.
    std::vector<TargetRow> rows;
};

struct TargetView {
    bool ladder = false;  // the targets were chosen, not given
    std::vector<TargetBlock> blocks;
};

// Five targets evenly from the median final Q of all runs down to the best
// one, each rounded to six decimals (so that the printed target, given back
// with --targets, is the same number), the lowest never below the best Q
// (so that the best run reaches it). Fewer when the final Qs leave less
// room. Needs a done run.
std::vector<double> TargetLadder(const SeriesData& data);

TargetView MakeTargetView(const SeriesData& data, const std::vector<double>& targets, bool ladder);

}  // namespace zarudiv
