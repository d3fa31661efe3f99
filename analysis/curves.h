#pragma once
// What the report's pictures show, computed here without drawing: the
// convergence bands of the settings drawn, and the ECDF of the fixed
// targets.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/series_data.h"
#include "analysis/setting_view.h"

namespace zarudiv {

enum class XAxis { Generations, Evaluations };

// Evaluations when the settings differ in M (equal generations are then
// unequal budgets), else generations.
XAxis DefaultXAxis(const SeriesData& data);

// At most this many settings get a curve: twelve colours, solid and
// dashed, tell no more apart.
inline constexpr std::size_t kMaxDrawnSettings = 24;

// The settings that get a curve, in the plan's order: all of them, or the
// kMaxDrawnSettings first of the view (best first) that have done runs.
std::vector<std::size_t> DrawnSettings(const SeriesData& data, const SettingView& finalView);

struct ConvergenceBand {
    std::size_t setting = 0;
    std::vector<double> x;  // generation, or evaluations (generation x M)
    std::vector<double> q1;
    std::vector<double> median;
    std::vector<double> q3;
};

// Over at most maxPoints generations, evenly spread (on evaluations:
// evenly on a logarithmic scale, every early generation included).
ConvergenceBand MakeConvergenceBand(const SeriesData& data, std::size_t setting, XAxis axis,
                                    std::size_t maxPoints = 1000);

struct EcdfCurve {
    std::size_t setting = 0;
    std::size_t pairs = 0;  // runs x targets
    // The evaluations at which each reached (run, target) pair was reached,
    // ascending: the curve rises by 1 / pairs at each.
    std::vector<std::int64_t> hits;
    std::int64_t end = 0;  // every run's budget, G x M
};

EcdfCurve MakeEcdf(const SeriesData& data, std::size_t setting, const std::vector<double>& targets);

}  // namespace zarudiv
