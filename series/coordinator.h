#pragma once
// The series' scheduler: hands the plan's runs that are not done, in the
// plan's order, to executor groups as their cores become free, and stores
// the finished runs in groups. It runs in one thread of one process (rank 0
// under MPI), the only one that writes the database.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "series/executor_group.h"
#include "series/plan.h"
#include "series/progress_line.h"
#include "series/series_store.h"

namespace zarudiv {

struct CoordinatorOptions {
    // Keep each run's protocol in this directory.
    std::optional<std::string> protocolsDir;
    // The first group waits this long for an outcome; the others are polled.
    std::chrono::milliseconds poll{100};
    // A signal number once the series is asked to stop, else 0.
    std::function<int()> stopSignal = [] { return 0; };
    // Finished runs are committed together, a group at most this old, of
    // at most this many runs or (a run never split) generation rows; a
    // series that stops or ends commits at once.
    std::chrono::milliseconds groupAge{100};
    std::size_t groupRuns = 4096;
    std::size_t groupRows = 1 << 18;
};

struct SeriesReport {
    std::uint64_t toRun = 0;      // the plan's runs not done at the start
    std::uint64_t stored = 0;     // runs done and stored since the start
    std::uint64_t failed = 0;     // runs stored as failed
    std::uint64_t abandoned = 0;  // runs stopped while they ran
    int stopSignal = 0;           // the signal that stopped the series, if one did
    std::string stoppedIn;        // where it arrived, when not in this process
    std::string writeError;       // why the database could not be written, if it could not
    std::string readError;        // why the runs to do could not be read, if they could not
    // What came back that was not a run in flight (another run's key, rows
    // missing, a run nobody ran): a fault between the processes. Nothing of
    // it is stored.
    std::string fault;
    // What ran out in a run: "out of memory", "no threads". Nothing of that
    // run is stored and no further run is started.
    std::string resourceError;
    // The protocol that did not fit on the --protocols disk: the series
    // stopped there, that run not stored.
    std::string protocolsFull;
    double computeSeconds = 0.0;  // the runs' own times, added up
    double storeSeconds = 0.0;    // spent writing the database and the protocol files
    double wallSeconds = 0.0;

    // Every run this start took on is stored as done.
    bool complete() const
    {
        return stopSignal == 0 && writeError.empty() && readError.empty() && fault.empty() &&
               resourceError.empty() && protocolsFull.empty() && failed == 0 && abandoned == 0;
    }
};

class Coordinator {
public:
    // groups: the first is this process's own threads.
    Coordinator(SeriesStore& store, const SeriesPlan& plan, std::vector<ExecutorGroup*> groups,
                CoordinatorOptions options, ProgressLine& progress);

    // Runs the plan's runs that are not done; toRun is how many that is.
    SeriesReport run(std::uint64_t toRun);

private:
    struct InFlight {
        std::int64_t runId = 0;
        RunKey key;
        std::size_t group = 0;
        unsigned cores = 0;
    };

    bool nextJob(PendingRun& run);
    void handOut();
    void collect(std::chrono::milliseconds wait, std::vector<RunOutcome>& outcomes);
    std::string mismatch(std::size_t group, const RunOutcome& outcome);
    void storeAll(std::vector<RunOutcome>& outcomes);
    void commitGroup();
    bool groupDue() const;
    std::chrono::milliseconds waitFor(std::chrono::milliseconds poll) const;
    void fail(std::string& what, const std::string& why);
    void stopAll();

    SeriesStore& store_;
    const SeriesPlan& plan_;
    std::vector<ExecutorGroup*> groups_;
    std::vector<unsigned> used_;
    CoordinatorOptions options_;
    ProgressLine& progress_;

    std::vector<PendingRun> batch_;
    std::size_t nextInBatch_ = 0;
    std::int64_t lastFetched_ = 0;
    bool exhausted_ = false;
    bool stopping_ = false;
    std::uint64_t started_ = 0;
    // By run id: a job of thousands of cores looks up every run that comes back.
    std::unordered_map<std::int64_t, InFlight> inFlight_;
    std::vector<RunOutcome> arrived_;
    // Runs of the open group: counted as stored once it is committed.
    std::uint64_t groupDone_ = 0;
    std::uint64_t groupFailed_ = 0;
    SeriesReport report_;
};

}  // namespace zarudiv
