#pragma once
// The series' scheduler: hands the plan's runs that are not done, in the
// plan's order, to executor groups as their cores become free, and stores
// the finished runs in groups. It runs in one thread of one process (rank 0
// under MPI), the only one that writes the database.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
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
    // The runs in flight say where they have got to this often (their
    // current generation and best Q, in the database).
    std::chrono::milliseconds refreshEvery{2000};
};

struct SeriesReport {
    std::uint64_t toRun = 0;      // the plan's runs not done at the start
    std::uint64_t stored = 0;     // runs done and stored since the start
    std::uint64_t failed = 0;     // runs stored as failed
    std::uint64_t abandoned = 0;  // runs that came back without having run, or never came back
    // The generations the runs stopped at a stop signal were at: their
    // states are kept, and they go on from there.
    std::vector<int> stoppedAt;
    // Runs that went on from a kept state (a stopped run's, or the end of a
    // done run with fewer generations), and what they went on from.
    std::uint64_t continued = 0;
    std::vector<int> continuedFrom;
    // Runs taken from a longer run's trajectory: none of their generations
    // was computed for them.
    std::uint64_t taken = 0;
    std::uint64_t generationsRun = 0;  // generations computed, all runs together
    // A kept state that could not be used (the first such, and how many):
    // those runs are computed from their first generation.
    std::string stateRefused;
    std::uint64_t statesRefused = 0;
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
        std::vector<ShorterRun> shorter;
    };

    bool nextRun(PendingRun& run);
    bool nextJob(RunJob& job);
    std::optional<CampaignState> keptStateFor(const RunKey& key, int latest);
    std::string checkDone(const std::string& run, const Setting& setting, const RunOutcome& outcome) const;
    std::string checkShorter(const InFlight& handed, const RunOutcome& outcome) const;
    void storeOne(RunOutcome& outcome);
    void handOut();
    void collect(std::chrono::milliseconds wait, std::vector<RunOutcome>& outcomes);
    std::string mismatch(std::size_t group, const RunOutcome& outcome);
    void storeAll(std::vector<RunOutcome>& outcomes);
    void commitGroup();
    void dropGroup();
    bool groupDue() const;
    std::chrono::milliseconds waitFor(std::chrono::milliseconds poll) const;
    void fail(std::string& what, const std::string& why);
    void stopAll();
    void markRunning(const std::vector<std::int64_t>& runIds, const std::string& host);
    void refreshRunning();
    void resetRunning();
    void showProgress();

    SeriesStore& store_;
    const SeriesPlan& plan_;
    std::vector<ExecutorGroup*> groups_;
    std::vector<unsigned> used_;
    CoordinatorOptions options_;
    ProgressLine& progress_;

    std::vector<PendingRun> batch_;
    std::size_t nextInBatch_ = 0;
    std::int64_t lastFetched_ = 0;
    // Runs handed out as the shorter runs of a longer one, not yet met in
    // the batches: they are not handed out again.
    std::set<std::int64_t> handedAsShorter_;
    bool exhausted_ = false;
    bool stopping_ = false;
    std::uint64_t started_ = 0;
    // By run id: a job of thousands of cores looks up every run that comes back.
    std::unordered_map<std::int64_t, InFlight> inFlight_;
    std::vector<RunOutcome> arrived_;
    // Runs of the open group: counted as stored once it is committed.
    std::uint64_t groupDone_ = 0;
    std::uint64_t groupFailed_ = 0;
    std::vector<int> groupStoppedAt_;
    std::optional<double> groupBest_;  // the best final Q of its done runs
    SeriesReport report_;
    std::chrono::steady_clock::time_point lastRefresh_;
    std::vector<RunProgress> progressRead_;
};

}  // namespace zarudiv
