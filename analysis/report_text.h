#pragma once
// The report as text, for the standard output: what the database holds,
// each view's table and tests, and the fixed targets.

#include <string>

#include "analysis/series_data.h"
#include "analysis/series_analysis.h"

namespace zarudiv {

std::string ReportText(const SeriesData& data, const SeriesAnalysis& report,
                       const ReportRequest& request);

// Pieces the HTML page and the CSV files share with the text.
std::string StandingText(Standing standing);
std::string ViewTitle(const SettingView& view);
std::string OmnibusText(const SettingView& view, std::size_t settings);
std::string RunCountsText(const SeriesData& data);

}  // namespace zarudiv
