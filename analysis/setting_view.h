#pragma once
// One view of a series: every setting's runs valued by one number each (the
// final Q, or the best Q within a budget of evaluations), summarised by
// quartiles, ranked, and compared with the best setting on the seeds they
// share (paired Wilcoxon signed-rank, Holm-adjusted, A12, a bootstrap
// interval of the median paired difference), with an omnibus test over all.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/bootstrap.h"
#include "analysis/omnibus_tests.h"
#include "analysis/series_data.h"
#include "analysis/signed_rank_test.h"
#include "series/quantiles.h"

namespace zarudiv {

// How a setting's runs meet a budget of E evaluations.
enum class BudgetFit {
    Whole,         // G x M >= E: the best Q after E / M generations
    Short,         // G x M < E: the runs end before E, their final Q stands
    NoGeneration,  // M > E: not one generation fits
};

struct RunPointer {
    std::int64_t id = 0;
    std::uint32_t seed = 0;
    double q = 0.0;
};

struct Comparison {
    SignedRankResult test;
    double holmP = 1.0;
    double a12 = 0.5;  // the chance that the best setting's run ends lower
    double medianDifference = 0.0;  // this setting's Q minus the best's, paired
    std::optional<Interval> interval;  // bootstrap, of the median difference
};

enum class Standing {
    Best,
    Same,      // not distinguishable from the best at alpha
    Worse,     // distinguishable, the median paired difference above 0
    Better,    // distinguishable, below 0 (ranked lower by its median all the same)
    Differs,   // distinguishable, the median paired difference 0
    Untested,  // see note
};

struct ViewRow {
    std::size_t setting = 0;  // index in SeriesData::settings
    std::size_t runs = 0;
    BudgetFit fit = BudgetFit::Whole;
    std::int64_t evaluations = 0;  // each run spent for its value
    // The rest needs runs > 0 and a fit other than NoGeneration.
    FiveNumbers q;
    double lowWhisker = 0.0;  // the most extreme values within 1.5 IQR of the box
    double highWhisker = 0.0;
    std::vector<double> outliers;
    RunPointer bestRun;
    RunPointer medianRun;  // the lower median when the runs are even
    std::optional<Comparison> comparison;
    Standing standing = Standing::Untested;
    std::string note;  // why untested

    bool hasValues() const { return runs > 0 && fit != BudgetFit::NoGeneration; }
};

struct ViewOptions {
    double alpha = 0.05;
    std::uint64_t bootstrapSeed = 1;
    std::size_t resamples = 2000;
};

struct SettingView {
    std::optional<std::int64_t> budget;  // none: the final Q
    // Best first: settings whose runs fit the view by median, then first
    // quartile, then best Q, then the plan's order; then short ones, those
    // without a generation in the budget, and those without a done run.
    std::vector<ViewRow> rows;
    std::optional<OmnibusResult> omnibus;
    bool friedman = false;  // else Kruskal-Wallis
    std::size_t seedsOfAll = 0;  // Friedman: the seeds every tested setting has
    std::string omnibusNote;     // why there is no omnibus test
    std::string comparisonNote;  // why no setting is compared with the best
    std::vector<std::string> edgeWarnings;
};

// budget: evaluations, or none for the final Q.
SettingView MakeSettingView(const SeriesData& data, std::optional<std::int64_t> budget,
                            const ViewOptions& options);

// "final-q" or "budget-5000": the name a view's CSV file and picture take.
std::string ViewName(const SettingView& view);

// The value of one run in a view: its best Q after `generation` generations.
inline double QAfter(const DoneRun& run, int generation) { return run.curve[static_cast<std::size_t>(generation - 1)]; }

}  // namespace zarudiv
