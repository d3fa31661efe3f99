#pragma once
// zarudiv-series as one process: opens the database, records the plan, runs
// what is not done on this machine's threads, and writes the results.

#include <string>

#include "cli/series_options.h"

namespace zarudiv {

// Returns the exit code (SeriesExit, or 128 + a stop signal's number).
int RunSeriesCommand(const SeriesOptions& options, const std::string& commandLine);

// The command line as a shell would take it back.
std::string ShellCommandLine(int argc, char** argv);

}  // namespace zarudiv
