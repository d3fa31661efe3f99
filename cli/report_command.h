#pragma once
// zarudiv-series report: reads the database, analyses it, prints the tables
// and writes the files asked for; turns what went wrong into messages and
// exit codes (ReportExit).

#include <string>
#include <vector>

#include "cli/report_options.h"

namespace zarudiv {

// args: the arguments after "report".
int RunReportMain(const std::vector<std::string>& args);

int RunReportCommand(const ReportOptions& options);

}  // namespace zarudiv
