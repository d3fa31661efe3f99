#include "analysis/curves.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "analysis/fixed_target.h"
#include "series/quantiles.h"

namespace zarudiv {

XAxis DefaultXAxis(const SeriesData& data)
{
    std::set<int> mutants;
    for (const SettingRuns& s : data.settings)
        if (!s.runs.empty())
            mutants.insert(s.setting.mutants);
    return mutants.size() > 1 ? XAxis::Evaluations : XAxis::Generations;
}

std::vector<std::size_t> DrawnSettings(const SeriesData& data, const SettingView& finalView)
{
    std::vector<bool> drawn(data.settings.size(), false);
    std::size_t count = 0;
    for (const ViewRow& row : finalView.rows)
        if (row.runs > 0 && count < kMaxDrawnSettings) {
            drawn[row.setting] = true;
            ++count;
        }
    std::vector<std::size_t> settings;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        if (drawn[i])
            settings.push_back(i);
    return settings;
}

namespace {

std::vector<int> SampledGenerations(int generations, std::size_t maxPoints, XAxis axis)
{
    std::vector<int> sampled;
    const auto count = static_cast<std::size_t>(std::max(0, generations));
    if (count <= maxPoints) {
        for (int g = 1; g <= generations; ++g)
            sampled.push_back(g);
        return sampled;
    }
    for (std::size_t k = 0; k < maxPoints; ++k) {
        const double fraction = static_cast<double>(k) / static_cast<double>(maxPoints - 1);
        const int g = axis == XAxis::Evaluations
                          ? static_cast<int>(std::lround(std::pow(static_cast<double>(generations), fraction)))
                          : static_cast<int>(1 + std::lround(fraction * (generations - 1)));
        if (sampled.empty() || g > sampled.back())
            sampled.push_back(g);
    }
    if (sampled.back() != generations)
        sampled.push_back(generations);
    return sampled;
}

}  // namespace

ConvergenceBand MakeConvergenceBand(const SeriesData& data, std::size_t setting, XAxis axis,
                                    std::size_t maxPoints)
{
    const SettingRuns& s = data.settings[setting];
    ConvergenceBand band;
    band.setting = setting;
    if (s.runs.empty())
        return band;
    std::vector<double> column(s.runs.size());
    for (int g : SampledGenerations(s.setting.generations, maxPoints, axis)) {
        for (std::size_t r = 0; r < s.runs.size(); ++r)
            column[r] = QAfter(s.runs[r], g);
        const FiveNumbers five = Summarise(column);
        band.x.push_back(axis == XAxis::Evaluations ? static_cast<double>(g) * s.setting.mutants
                                                    : static_cast<double>(g));
        band.q1.push_back(five.q1);
        band.median.push_back(five.median);
        band.q3.push_back(five.q3);
    }
    return band;
}

EcdfCurve MakeEcdf(const SeriesData& data, std::size_t setting, const std::vector<double>& targets)
{
    const SettingRuns& s = data.settings[setting];
    EcdfCurve curve;
    curve.setting = setting;
    curve.pairs = s.runs.size() * targets.size();
    curve.end = s.evaluationsPerRun();
    for (const DoneRun& run : s.runs)
        for (double target : targets)
            if (const auto evaluations = EvaluationsToReach(run, s.setting, target))
                curve.hits.push_back(*evaluations);
    std::sort(curve.hits.begin(), curve.hits.end());
    return curve;
}

}  // namespace zarudiv
