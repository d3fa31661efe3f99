#pragma once
// A series from request to result: opens the database, records the plan,
// runs what is not done on this process's threads and on the executor groups
// the caller brings (other processes of an MPI job), and writes the summary's
// files. No messages and no exit codes here: the caller says what the result
// means. Neither Qt nor MPI is needed; the pictures and the other processes
// come in through the hooks.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "edge/same_file.h"
#include "series/coordinator.h"
#include "series/executor_group.h"
#include "series/plan.h"
#include "series/series_store.h"
#include "series/series_summary.h"

namespace zarudiv {

struct SeriesRequest {
    std::string db;
    SeriesPlan plan;
    std::string commandLine;  // recorded with the plan
    std::string version;      // the program's
    std::string host;         // this machine's name
    unsigned threads = 1;     // this process's threads for the runs
    bool multiProcess = false;  // other processes join through SeriesHooks::gatherWorkers
    std::optional<std::string> protocolsDir;
    std::optional<std::string> plotsDir;
    std::optional<std::string> csvFile;
};

// Where a series ended, first match wins.
enum class SeriesEnd {
    Done,               // every run taken on is stored as done, the files are written
    OutputsClash,       // two outputs are one file (detail: which)
    DatabaseUnwritable, // the disk, not the command (detail: SQLite's words)
    DatabaseRefused,    // not a series database, cannot be opened (detail)
    DatabaseBusy,       // another series holds it (detail)
    OutputUnusable,     // a --protocols, --plots or --csv target (detail: option and why)
    PlanNotRecorded,    // detail: why
    StoppedRecording,   // a stop signal while the plan was recorded: nothing recorded
    RefusedByHook,      // planRecorded said no (the caller knows why)
    StoppedGathering,   // a stop signal while the other processes started
    NoThreads,          // not one thread for the runs (detail: the system's words)
    RunsEnded,          // the runs ended early: the report says why
    ResultsUnreadable,  // detail: why
    Written,            // the runs are done; some output failed (outputProblems)
};

struct SeriesResult {
    SeriesEnd end = SeriesEnd::Done;
    std::string detail;
    std::uint64_t runCount = 0;    // the plan's
    std::uint64_t doneBefore = 0;  // done by earlier starts
    SeriesReport report;           // of the runs, once they ran
    std::vector<SettingSummary> summaries;  // once the runs ended whole or with failed runs
    // The files that could not be written, each as "--csv FILE: why".
    std::vector<std::string> outputProblems;

    std::uint64_t doneNow() const { return doneBefore + report.stored; }
};

// What the series tells the caller on its way, and what the caller brings.
struct SeriesHooks {
    // A signal number once the series is asked to stop, else 0.
    std::function<int()> stopSignal = [] { return 0; };
    // The summary's picture files (paths below --plots) and how to draw
    // them; without a writer no pictures are written.
    std::vector<std::string> pictureFiles;
    std::function<std::string(const std::string& dir, SeriesStore&, const SeriesPlan&,
                              const std::vector<SettingSummary>&)>
        writePictures;
    // The database is open and the plan recorded; false ends the series
    // (RefusedByHook).
    std::function<bool(SeriesStore&)> planRecorded = [](SeriesStore&) { return true; };
    // With multiProcess: the other processes' groups (owned by the caller),
    // empty when a stop signal came first.
    std::function<std::vector<ExecutorGroup*>()> gatherWorkers;
    // Just before the runs start (the threads stand, the groups are in).
    struct Start {
        std::string journalMode;
        std::uint64_t toRun = 0;
        unsigned threadsAsked = 0;
        unsigned threadsStarted = 0;
        unsigned allThreads = 0;  // with the other processes'
        // Runs done before that have no protocol in --protocols; nothing
        // when it could not be told (and why).
        std::uint64_t missingProtocols = 0;
        std::string missingProtocolsUnknown;
    };
    std::function<void(const Start&)> starting = [](const Start&) {};
    // The runs have ended, every one of them stored (failed ones too);
    // the summary comes next.
    std::function<void(const SeriesReport&)> runsEnded = [](const SeriesReport&) {};
    // The progress line goes here (stderr when it is a terminal).
    bool progressOnTerminal = false;
    // Otherwise, a line every progressEvery on stderr, as a log reads it.
    bool progressInLog = false;
    std::chrono::milliseconds progressEvery{30000};
};

SeriesResult RunSeries(const SeriesRequest& request, SeriesHooks& hooks);

// Every file the series writes but the protocols, named as the options name
// them. SQLite keeps the database's journal and shared memory beside it.
std::vector<OutputName> SeriesOutputFiles(
    const SeriesRequest& request, const std::vector<std::string>& pictureFiles);

}  // namespace zarudiv
