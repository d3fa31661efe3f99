#pragma once
// A process of a series under MPI other than rank 0: it runs what rank 0
// hands it on its own threads and sends back every outcome. It never opens
// the database.

#include <functional>
#include <string>

#include "series/local_executors.h"
#include "series/run_campaign.h"

namespace zarudiv {

// Returns the process's exit code: 0, or 128 + a stop signal's number.
int RunSeriesWorker(unsigned threads, const RunCampaignOptions& options,
                    const std::function<int()>& stopSignal);
// The same with any task for the runs (a benchmark's stand-in for campaigns).
int RunSeriesWorkerWith(unsigned threads, LocalExecutors::Task task, const std::string& host,
                        const std::function<int()>& stopSignal);

}  // namespace zarudiv
