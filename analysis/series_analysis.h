#pragma once
// The whole analysis of a series database, request in, result out: the
// final-Q view, one view per budget, the fixed targets, and what the
// pictures show. Computed from the database's data only, and reproducible
// to the byte (the bootstrap is seeded).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/curves.h"
#include "analysis/fixed_target.h"
#include "analysis/series_data.h"
#include "analysis/setting_view.h"

namespace zarudiv {

struct ReportRequest {
    std::vector<std::int64_t> budgets;  // evaluations
    std::vector<double> targets;        // empty: a ladder is chosen
    std::optional<XAxis> xAxis;         // none: DefaultXAxis
    ViewOptions views;
    bool pictures = false;  // compute what the pictures show
};

// A request the data cannot answer (a budget beyond every run, no done
// run): the message says what and why.
class ReportRequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SeriesAnalysis {
    SettingView finalView;
    std::vector<SettingView> budgetViews;  // in the order of the budgets given
    std::vector<double> targets;
    TargetView targetView;
    // With pictures:
    XAxis xAxis = XAxis::Generations;
    std::vector<std::size_t> drawn;        // settings with a curve, plan order
    std::vector<ConvergenceBand> bands;    // of the drawn settings
    std::vector<EcdfCurve> ecdf;           // of the drawn settings
};

// Throws ReportRequestError.
SeriesAnalysis AnalyseSeries(const SeriesData& data, const ReportRequest& request);

}  // namespace zarudiv
