#pragma once
// zarudiv-series on rank 0 (or alone): opens the database, records the plan,
// runs what is not done on this process's threads and those of the job's
// other processes, and writes the results.

#include <string>

#include "cli/series_options.h"

namespace zarudiv {

// processes: the MPI job's size, 1 without MPI. Returns the exit code
// (SeriesExit, or 128 + a stop signal's number).
int RunSeriesCommand(const SeriesOptions& options, const std::string& commandLine, int processes);

// Any other process of the job: runs what rank 0 hands it.
int RunSeriesWorkerCommand(const SeriesOptions& options, int rank);

// The command line as a shell would take it back.
std::string ShellCommandLine(int argc, char** argv);

}  // namespace zarudiv
