#include "analysis/fixed_target.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "series/quantiles.h"

namespace zarudiv {

std::optional<std::int64_t> EvaluationsToReach(const DoneRun& run, const Setting& setting,
                                               double target)
{
    // The curve is the best so far: it never rises.
    const auto at = std::partition_point(run.curve.begin(), run.curve.end(),
                                         [target](double q) { return q > target; });
    if (at == run.curve.end())
        return std::nullopt;
    return static_cast<std::int64_t>(at - run.curve.begin() + 1) * setting.mutants;
}

std::vector<double> TargetLadder(const SeriesData& data)
{
    std::vector<double> finals;
    for (const SettingRuns& s : data.settings)
        for (const DoneRun& run : s.runs)
            finals.push_back(run.finalQ);
    const FiveNumbers five = Summarise(finals);
    constexpr int kSteps = 4;
    std::vector<double> targets;
    for (int step = 0; step <= kSteps; ++step) {
        const long double exact =
            five.median - (static_cast<long double>(five.median) - five.best) * step / kSteps;
        // k / 10^6 is the double that the six-decimal text reads back as.
        const long double k = std::round(exact * 1e6L);
        double target = static_cast<double>(k) / 1e6;
        if (target < five.best)
            target = static_cast<double>(k + 1.0L) / 1e6;
        if (targets.empty() || target < targets.back())
            targets.push_back(target);
    }
    return targets;
}

TargetView MakeTargetView(const SeriesData& data, const std::vector<double>& targets, bool ladder)
{
    TargetView view;
    view.ladder = ladder;
    for (double target : targets) {
        TargetBlock block;
        block.target = target;
        for (std::size_t i = 0; i < data.settings.size(); ++i) {
            const SettingRuns& s = data.settings[i];
            if (s.runs.empty())
                continue;
            TargetRow row;
            row.setting = i;
            row.runs = s.runs.size();
            long double spent = 0.0L;
            std::vector<double> reached;
            for (const DoneRun& run : s.runs) {
                const std::optional<std::int64_t> evaluations = EvaluationsToReach(run, s.setting, target);
                spent += static_cast<long double>(evaluations.value_or(s.evaluationsPerRun()));
                if (evaluations)
                    reached.push_back(static_cast<double>(*evaluations));
            }
            row.successes = reached.size();
            row.ert = reached.empty() ? std::numeric_limits<double>::infinity()
                                      : static_cast<double>(spent / static_cast<long double>(reached.size()));
            if (!reached.empty()) {
                std::sort(reached.begin(), reached.end());
                row.medianEvaluations = Quantile(reached, 0.5);
            }
            block.rows.push_back(row);
        }
        std::stable_sort(block.rows.begin(), block.rows.end(), [](const TargetRow& a, const TargetRow& b) {
            if (a.ert != b.ert)
                return a.ert < b.ert;
            return a.successes > b.successes;
        });
        view.blocks.push_back(std::move(block));
    }
    return view;
}

}  // namespace zarudiv
