#pragma once
// The report as one self-contained HTML page: the plans, every view's table
// and tests, the fixed targets, the pictures inline (data: URIs), and for
// every setting the commands that replay its best and median runs.

#include <string>
#include <vector>

#include "analysis/series_data.h"
#include "analysis/series_analysis.h"

namespace zarudiv {

struct HtmlPicture {
    std::string name;   // "convergence", "final-q", "budget-5000", "ecdf"
    std::string title;
    std::string mime;   // "image/svg+xml", "image/png"
    std::string bytes;
};

std::string ReportHtml(const SeriesData& data, const SeriesAnalysis& report,
                       const ReportRequest& request, const std::vector<HtmlPicture>& pictures,
                       const std::string& programVersion);

std::string Base64(const std::string& bytes);
std::string HtmlEscaped(const std::string& text);

}  // namespace zarudiv
