#pragma once
// zarudiv-series report's command line: the database, the views asked for
// and where the results go.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/series_analysis.h"

namespace zarudiv {

struct ReportOptions {
    std::string db = "series.sqlite";
    ReportRequest request;
    std::optional<std::string> csvDir;
    std::optional<std::string> plotsDir;
    std::optional<std::string> htmlFile;
    std::optional<std::string> iohDir;
    bool help = false;
};

enum ReportExit {
    kReportDone = 0,
    kReportFailed = 1,    // an output cannot be written, or the database cannot be read
    kReportBadInput = 2,  // bad options, not a series database, a request the data cannot answer
};

struct ReportParse {
    ReportOptions options;
    std::string error;  // empty when the command line is good
};

// The arguments after "report".
ReportParse ParseReportOptions(const std::vector<std::string>& args);

std::string ReportUsage();

}  // namespace zarudiv
