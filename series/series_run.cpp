#include "series/series_run.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include "edge/whole_file.h"
#include "series/local_executors.h"
#include "series/progress_line.h"
#include "series/run_campaign.h"

namespace zarudiv {

namespace {

// The directories and files the results go to are checked before any run,
// and only once the database is this series' (a refused series leaves
// nothing behind): hours of computing must not end in a path that was
// mistyped or cannot be written.
std::string CheckOutputs(const SeriesRequest& request)
{
    if (request.protocolsDir)
        if (const std::string problem = PrepareOutputDirectory(*request.protocolsDir);
            !problem.empty())
            return "--protocols " + *request.protocolsDir + ": " + problem;
    if (request.plotsDir)
        if (const std::string problem = PrepareOutputDirectory(*request.plotsDir); !problem.empty())
            return "--plots " + *request.plotsDir + ": " + problem;
    if (request.csvFile)
        if (const FileError error = CheckWholeFileTarget(*request.csvFile))
            return "--csv " + *request.csvFile + ": " + error.message();
    return {};
}

// Runs done by an earlier start without --protocols have no protocol file,
// and this start does not run them again: the set would look whole.
void CountMissingProtocols(SeriesStore& store, const SeriesPlan& plan, const std::string& dir,
                           SeriesHooks::Start& start)
{
    try {
        store.forEachDone(plan, [&](const RunKey& key) {
            std::error_code error;
            if (!std::filesystem::exists(ProtocolPath(dir, key), error))
                ++start.missingProtocols;
        });
    } catch (const std::exception& error) {
        start.missingProtocols = 0;
        start.missingProtocolsUnknown = error.what();
    }
}

SeriesResult Ended(SeriesResult result, SeriesEnd end, std::string detail = {})
{
    result.end = end;
    result.detail = std::move(detail);
    return result;
}

// The runs ended early when anything but failed runs stopped them.
bool EndedEarly(const SeriesReport& report)
{
    return report.stopSignal != 0 || !report.writeError.empty() || !report.readError.empty() ||
           !report.resourceError.empty() || !report.protocolsFull.empty() ||
           !report.fault.empty() || report.abandoned > 0;
}

}  // namespace

std::vector<OutputName> SeriesOutputFiles(const SeriesRequest& request,
                                          const std::vector<std::string>& pictureFiles)
{
    const std::string db = "--db " + request.db;
    std::vector<OutputName> outputs = {{db, request.db}};
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        outputs.push_back({"the " + std::string(suffix) + " file of " + db, request.db + suffix});
    if (request.csvFile)
        outputs.push_back({"--csv " + *request.csvFile, *request.csvFile});
    if (request.plotsDir)
        for (const std::string& picture : pictureFiles) {
            const std::string path = *request.plotsDir + "/" + picture;
            outputs.push_back({"--plots " + *request.plotsDir + " (" + path + ")", path});
        }
    return outputs;
}

SeriesResult RunSeries(const SeriesRequest& request, SeriesHooks& hooks)
{
    SeriesResult result;
    const SeriesPlan& plan = request.plan;
    result.runCount = plan.runCount();
    if (const std::string clash = SameFileConflict(SeriesOutputFiles(request, hooks.pictureFiles));
        !clash.empty())
        return Ended(result, SeriesEnd::OutputsClash, clash);

    std::unique_ptr<SeriesStore> store;
    try {
        store = std::make_unique<SeriesStore>(request.db);
    } catch (const SeriesStoreError& error) {
        switch (error.kind()) {
        case SeriesStoreError::Kind::Write:
            return Ended(result, SeriesEnd::DatabaseUnwritable, error.what());
        case SeriesStoreError::Kind::InUse:
            return Ended(result, SeriesEnd::DatabaseBusy, error.what());
        default:
            return Ended(result, SeriesEnd::DatabaseRefused, error.what());
        }
    }
    SeriesHooks::Start start;
    start.journalMode = store->journalMode();
    if (const std::string problem = CheckOutputs(request); !problem.empty()) {
        store->discardIfNew();
        return Ended(result, SeriesEnd::OutputUnusable, problem);
    }

    try {
        if (!store->addPlan(plan, PlanRecord{request.commandLine, UtcNow(), request.version, request.host},
                            [&hooks] { return hooks.stopSignal() != 0; }))
            return Ended(result, SeriesEnd::StoppedRecording);
        result.doneBefore = store->countDone(plan);
    } catch (const std::exception& error) {
        return Ended(result, SeriesEnd::PlanNotRecorded, error.what());
    }
    if (!hooks.planRecorded(*store))
        return Ended(result, SeriesEnd::RefusedByHook);
    // A log's lines name the best Q so far, the earlier starts' too.
    std::optional<double> bestBefore;
    if (hooks.progressInLog && result.doneBefore > 0) {
        try {
            bestBefore = store->bestDoneQ(plan);
        } catch (const std::exception& error) {
            return Ended(result, SeriesEnd::PlanNotRecorded, error.what());
        }
    }
    if (request.protocolsDir && result.doneBefore > 0)
        CountMissingProtocols(*store, plan, *request.protocolsDir, start);
    start.toRun = plan.runCount() - result.doneBefore;
    start.threadsAsked = request.threads;

    std::vector<ExecutorGroup*> remotes;
    if (request.multiProcess && hooks.gatherWorkers) {
        remotes = hooks.gatherWorkers();
        if (remotes.empty())
            return Ended(result, SeriesEnd::StoppedGathering);
    }

    RunCampaignOptions runOptions;
    runOptions.protocolsDir = request.protocolsDir;
    runOptions.keepProtocol = request.protocolsDir.has_value();
    runOptions.host = request.host;
    std::unique_ptr<LocalExecutors> local;
    try {
        local = std::make_unique<LocalExecutors>(
            request.threads,
            [runOptions](const RunJob& job, const StopRequest& stop, LiveProgress& live) {
                return RunSeriesJob(job, runOptions, stop, &live);
            },
            request.host);
    } catch (const std::system_error& error) {
        return Ended(result, SeriesEnd::NoThreads, error.code().message());
    }
    start.threadsStarted = local->cores();
    start.allThreads = local->cores();
    for (const ExecutorGroup* remote : remotes)
        start.allThreads += remote->cores();
    hooks.starting(start);

    {
        const ProgressLine::Mode mode = hooks.progressOnTerminal ? ProgressLine::Mode::Terminal
                                        : hooks.progressInLog    ? ProgressLine::Mode::Log
                                                                 : ProgressLine::Mode::Off;
        ProgressLine progress(mode, stderr, plan.runCount(), result.doneBefore,
                              hooks.progressEvery, bestBefore);
        std::vector<ExecutorGroup*> groups = {local.get()};
        groups.insert(groups.end(), remotes.begin(), remotes.end());
        CoordinatorOptions coordinatorOptions;
        coordinatorOptions.protocolsDir = request.protocolsDir;
        coordinatorOptions.stopSignal = hooks.stopSignal;
        // Local outcomes wake the coordinator at once; other processes'
        // outcomes are looked for this often (each has a spare run to go on with).
        if (!remotes.empty())
            coordinatorOptions.poll = std::chrono::milliseconds(10);
        Coordinator coordinator(*store, plan, groups, coordinatorOptions, progress);
        result.report = coordinator.run(start.toRun);
    }
    if (EndedEarly(result.report))
        return Ended(result, SeriesEnd::RunsEnded);
    hooks.runsEnded(result.report);

    try {
        result.summaries = SummariseSeries(*store, plan);
        if (request.csvFile)
            if (const FileError error = WriteWholeFile(*request.csvFile, SummaryCsv(result.summaries)))
                result.outputProblems.push_back("--csv " + *request.csvFile +
                                                ": cannot write the file: " + error.message());
        if (request.plotsDir && hooks.writePictures)
            if (const std::string problem =
                    hooks.writePictures(*request.plotsDir, *store, plan, result.summaries);
                !problem.empty())
                result.outputProblems.push_back("--plots " + *request.plotsDir + ": " + problem);
    } catch (const std::exception& error) {
        return Ended(result, SeriesEnd::ResultsUnreadable, error.what());
    }
    if (!result.outputProblems.empty())
        return Ended(result, SeriesEnd::Written);
    return result;
}

}  // namespace zarudiv
