#include "analysis/series_analysis.h"

#include <algorithm>

namespace zarudiv {

namespace {

void CheckBudget(const SeriesData& data, std::int64_t budget)
{
    std::int64_t longest = 0;
    int fewestMutants = 0;
    for (const SettingRuns& s : data.settings) {
        if (s.runs.empty())
            continue;
        longest = std::max(longest, s.evaluationsPerRun());
        fewestMutants = fewestMutants == 0 ? s.setting.mutants : std::min(fewestMutants, s.setting.mutants);
    }
    if (budget > longest)
        throw ReportRequestError("--budget " + std::to_string(budget) +
                                 ": every run ends before that many evaluations (the longest "
                                 "spend " + std::to_string(longest) + "); give at most " +
                                 std::to_string(longest));
    if (budget < fewestMutants)
        throw ReportRequestError("--budget " + std::to_string(budget) +
                                 ": no setting finishes a generation within that many "
                                 "evaluations (the fewest mutants are " +
                                 std::to_string(fewestMutants) + "); give at least " +
                                 std::to_string(fewestMutants));
}

}  // namespace

SeriesAnalysis AnalyseSeries(const SeriesData& data, const ReportRequest& request)
{
    if (data.doneRuns() == 0)
        throw ReportRequestError("the database holds no done run yet: there is nothing to analyse");
    for (std::int64_t budget : request.budgets)
        CheckBudget(data, budget);

    SeriesAnalysis report;
    report.finalView = MakeSettingView(data, std::nullopt, request.views);
    for (std::int64_t budget : request.budgets)
        report.budgetViews.push_back(MakeSettingView(data, budget, request.views));
    const bool ladder = request.targets.empty();
    report.targets = ladder ? TargetLadder(data) : request.targets;
    report.targetView = MakeTargetView(data, report.targets, ladder);

    report.xAxis = request.xAxis.value_or(DefaultXAxis(data));
    if (request.pictures) {
        report.drawn = DrawnSettings(data, report.finalView);
        for (std::size_t s : report.drawn) {
            report.bands.push_back(MakeConvergenceBand(data, s, report.xAxis));
            report.ecdf.push_back(MakeEcdf(data, s, report.targets));
        }
    }
    return report;
}

}  // namespace zarudiv
