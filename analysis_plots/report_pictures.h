#pragma once
// The report's pictures as PNG and SVG: convergence, one box plot per view
// (final-q, budget-E) and the ECDF of the fixed targets. Each setting keeps
// its colour in all of them. Needs a QGuiApplication for the fonts.

#include <string>
#include <vector>

#include "analysis/series_data.h"
#include "analysis/series_analysis.h"

namespace zarudiv {

struct PictureFiles {
    std::string name;   // "convergence": convergence.png and convergence.svg
    std::string title;
    std::string png;
    std::string svg;
};

// Needs a report made with pictures. Throws std::runtime_error when a
// picture cannot be encoded.
std::vector<PictureFiles> DrawReportPictures(const SeriesData& data, const SeriesAnalysis& report);

}  // namespace zarudiv
