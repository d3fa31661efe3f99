#include "cli/series_command.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "edge/same_file.h"
#include "edge/signals.h"
#include "edge/whole_file.h"
#include "cli/serve_command.h"
#include "dashboard/dashboard_server.h"
#include "evolution/random_source.h"
#include "series/coordinator.h"
#include "series/local_executors.h"
#include "series/mpi_worker.h"
#include "series/remote_executor.h"
#include "series/run_campaign.h"
#include "series/series_store.h"
#include "series/series_summary.h"
#include "series/summary_plots.h"

namespace zarudiv {

namespace {

void Say(const std::string& text)
{
    std::fprintf(stderr, "zarudiv-series: %s\n", text.c_str());
    std::fflush(stderr);
}

std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return "unknown";
    return name;
}

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string SignalName(int signal)
{
    if (signal == SIGINT)
        return "SIGINT";
    if (signal == SIGTERM)
        return "SIGTERM";
    return "signal " + std::to_string(signal);
}

// The directories and files the results go to are checked before any run,
// and only once the database is this series' (a refused series leaves
// nothing behind): hours of computing must not end in a path that was
// mistyped or cannot be written.
std::string CheckOutputs(const SeriesOptions& options)
{
    if (options.protocolsDir)
        if (const std::string problem = PrepareOutputDirectory(*options.protocolsDir);
            !problem.empty())
            return "--protocols " + *options.protocolsDir + ": " + problem;
    if (options.plotsDir)
        if (const std::string problem = PrepareOutputDirectory(*options.plotsDir); !problem.empty())
            return "--plots " + *options.plotsDir + ": " + problem;
    if (options.csvFile)
        if (const FileError error = CheckWholeFileTarget(*options.csvFile))
            return "--csv " + *options.csvFile + ": " + error.message();
    return {};
}

// Every file the series writes but the protocols, named as the options name
// them. SQLite keeps the database's journal and shared memory beside it.
std::vector<OutputName> SeriesOutputs(const SeriesOptions& options)
{
    const std::string db = "--db " + options.db;
    std::vector<OutputName> outputs = {{db, options.db}};
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        outputs.push_back({"the " + std::string(suffix) + " file of " + db, options.db + suffix});
    if (options.csvFile)
        outputs.push_back({"--csv " + *options.csvFile, *options.csvFile});
    if (options.plotsDir)
        for (const char* picture : {kConvergencePicture, kFinalQPicture}) {
            const std::string path = *options.plotsDir + "/" + picture;
            outputs.push_back({"--plots " + *options.plotsDir + " (" + path + ")", path});
        }
    return outputs;
}

// Under MPI the other processes wait for rank 0 to hand out runs: whichever
// way rank 0 ends, it tells them to finish first.
class WorkersFarewell {
public:
    explicit WorkersFarewell(int processes) : processes_(processes) {}
    ~WorkersFarewell() { finish(); }
    WorkersFarewell(const WorkersFarewell&) = delete;
    WorkersFarewell& operator=(const WorkersFarewell&) = delete;

    // A process that has not said goodbye within the limit is gone: the
    // launcher ends the job. After a stop signal the launcher kills the job a
    // second later, so the farewell is short.
    void finish()
    {
        if (processes_ > 1)
            FinishWorkers(processes_, StopSignal() != 0 ? std::chrono::milliseconds(500)
                                                        : std::chrono::milliseconds(30000));
        processes_ = 1;
    }

private:
    int processes_;
};

std::string Plural(std::uint64_t count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// More threads than the process may run on (mpirun binds each of two
// processes to one core unless told --bind-to none) make every run slower.
void WarnAboutCores(unsigned threads, const std::string& where)
{
    const unsigned cores = AvailableCores();
    if (threads > cores)
        Say("warning: " + where + " runs " + Plural(threads, "thread", "threads") +
            " but may use only " + Plural(cores, "core", "cores") +
            "; under mpirun give --bind-to none, or --map-by with PE=" + std::to_string(threads));
}

// Runs done by an earlier start without --protocols have no protocol file,
// and this start does not run them again: the set would look whole.
void WarnAboutMissingProtocols(SeriesStore& store, const SeriesPlan& plan, const std::string& dir,
                               std::uint64_t done)
{
    std::uint64_t missing = 0;
    try {
        store.forEachDone(plan, [&](const RunKey& key) {
            std::error_code error;
            if (!std::filesystem::exists(ProtocolPath(dir, key), error))
                ++missing;
        });
    } catch (const std::exception& error) {
        Say("warning: --protocols " + dir + ": cannot tell which runs done before have a "
            "protocol there: " + error.what());
        return;
    }
    if (missing > 0)
        Say("warning: --protocols " + dir + ": " + std::to_string(missing) + " of the " +
            Plural(done, "run", "runs") +
            " done before have no protocol there (they ran without --protocols) and are not run "
            "again; zarudiv-run --generations G --mutants M --step P --seed S --save --protocol "
            "FILE writes any run's protocol");
}

RunCampaignOptions RunOptionsOf(const SeriesOptions& options, const std::string& host)
{
    RunCampaignOptions runOptions;
    runOptions.protocolsDir = options.protocolsDir;
    runOptions.keepProtocol = options.protocolsDir.has_value();
    runOptions.host = host;
    return runOptions;
}

// This process's threads for the runs; nothing and whyNot when not even one
// starts. Fewer than asked for run the series all the same, and it is said.
std::unique_ptr<LocalExecutors> StartThreads(unsigned threads, const RunCampaignOptions& runOptions,
                                             const std::string& host, std::string& whyNot)
{
    std::unique_ptr<LocalExecutors> local;
    try {
        local = std::make_unique<LocalExecutors>(
            threads,
            [runOptions](const RunJob& job, const StopRequest& stop) {
                return RunSeriesJob(job, runOptions, stop);
            },
            host);
    } catch (const std::system_error& error) {
        whyNot = std::string("no thread for the runs could be started (") + error.code().message() +
                 "): the system is short of memory or threads; give fewer --threads";
        return nullptr;
    }
    if (local->cores() < threads)
        Say("warning: only " + std::to_string(local->cores()) + " of " +
            Plural(threads, "thread", "threads") +
            " could be started (the system is short of memory or threads); the series runs on " +
            std::to_string(local->cores()));
    return local;
}

// "613", "613 and 598", "613, 598 and 12".
std::string NumberList(const std::vector<int>& numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

// What this start did not compute again: runs that went on from kept
// states, runs taken from a longer run's trajectory.
void SayKeptWork(const SeriesReport& report)
{
    if (report.statesRefused > 0)
        Say("warning: " + Plural(report.statesRefused, "kept state was", "kept states were") +
            " not used, and " + (report.statesRefused == 1 ? "its run is" : "their runs are") +
            " computed from the start: " + report.stateRefused);
    if (report.continued == 0 && report.taken == 0)
        return;
    std::string text;
    if (report.continued > 0) {
        text = Plural(report.continued, "run", "runs") + " went on from kept states";
        if (report.continuedFrom.size() <= 10)
            text += " (at " + std::string(report.continuedFrom.size() == 1 ? "generation " : "generations ") +
                    NumberList(report.continuedFrom) + ")";
    }
    if (report.taken > 0)
        text += (text.empty() ? "" : ", ") + Plural(report.taken, "run was", "runs were") +
                " taken from longer runs of the same campaign";
    Say(text + "; " + Plural(report.generationsRun, "generation", "generations") + " computed");
}

}  // namespace

int RunSeriesWorkerCommand(const SeriesOptions& options, int rank)
{
    InstallStopSignals();
    const unsigned threads = options.threads != 0 ? options.threads : AvailableCores();
    WarnAboutCores(threads, "rank " + std::to_string(rank) + " on " + HostName());
    try {
        return RunSeriesWorker(threads, RunOptionsOf(options, HostName()), StopSignal);
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::resource_unavailable_try_again)
            throw;
        throw std::runtime_error("no thread for the runs could be started (" +
                                 error.code().message() +
                                 "): the system is short of memory or threads; give fewer "
                                 "--threads");
    }
}

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    }
    if (length == 0 || at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

// One argument as a shell takes it back: bare when it is plain, else in
// single quotes; a byte that is not UTF-8 as bash's $'\xNN', so that the
// line is text any program can read (the plans table is TEXT).
std::string ShellWord(const std::string& arg)
{
    const bool plain = !arg.empty() && arg.find_first_not_of(
                                           "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                           "0123456789-_=,./:+@") == std::string::npos;
    if (plain)
        return arg;
    std::string word;
    bool quoted = false;
    for (std::size_t at = 0; at < arg.size();) {
        const std::size_t length = Utf8Length(arg, at);
        if (length == 0) {
            if (quoted)
                word += '\'';
            quoted = false;
            char escape[12];
            std::snprintf(escape, sizeof escape, "$'\\x%02x'", static_cast<unsigned char>(arg[at]));
            word += escape;
            ++at;
            continue;
        }
        if (!quoted)
            word += '\'';
        quoted = true;
        if (arg[at] == '\'')
            word += "'\\''";
        else
            word.append(arg, at, length);
        at += length;
    }
    if (quoted)
        word += '\'';
    return word.empty() ? "''" : word;
}

}  // namespace

std::string ShellCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (!line.empty())
            line += ' ';
        line += ShellWord(argv[i]);
    }
    return line;
}

int RunSeriesCommand(const SeriesOptions& options, const std::string& commandLine, int processes)
{
    InstallStopSignals();
    WorkersFarewell farewell(processes);
    if (const std::string clash = SameFileConflict(SeriesOutputs(options)); !clash.empty()) {
        Say(clash);
        return kSeriesBadInput;
    }

    std::uint32_t firstSeed = 0;
    if (options.seed) {
        firstSeed = *options.seed;
    } else {
        firstSeed = ClockSeed();
        Say("first seed " + std::to_string(firstSeed) + " chosen by the clock (repeat with --seed " +
            std::to_string(firstSeed) + ")");
    }
    const SeriesPlan plan = options.plan(firstSeed);

    std::unique_ptr<SeriesStore> store;
    try {
        store = std::make_unique<SeriesStore>(options.db);
    } catch (const SeriesStoreError& error) {
        if (error.kind() == SeriesStoreError::Kind::Write) {
            // The disk, not the command: the same command works where it may write.
            Say("--db " + options.db + ": the database cannot be written there (" + error.what() +
                "); nothing was run");
            return kSeriesFailed;
        }
        Say("--db " + options.db + ": " + error.what());
        return error.kind() == SeriesStoreError::Kind::InUse ? kSeriesDatabaseBusy : kSeriesBadInput;
    }
    if (store->journalMode() != "wal")
        Say("warning: --db " + options.db + ": SQLite keeps the journal in mode '" +
            store->journalMode() +
            "', not WAL (the file system does not allow it): the series works, but a program "
            "that reads the database meanwhile holds up its writes");
    if (const std::string problem = CheckOutputs(options); !problem.empty()) {
        Say(problem);
        store->discardIfNew();
        return kSeriesFailed;
    }

    const std::string host = HostName();
    std::uint64_t done = 0;
    try {
        if (!store->addPlan(plan, PlanRecord{commandLine, UtcNow(), ZARUDIV_VERSION, host},
                            [] { return StopSignal() != 0; })) {
            Say("stopped by " + SignalName(StopSignal()) +
                " while the plan was recorded; nothing of it was recorded or run; run the same "
                "command again to start the series");
            return 128 + StopSignal();
        }
        done = store->countDone(plan);
    } catch (const std::exception& error) {
        Say("--db " + options.db + ": cannot record the plan: " + error.what());
        return kSeriesFailed;
    }
    // The dashboard reads the database by its own connections, once the plan
    // is in it; it serves until the series returns.
    std::unique_ptr<DashboardServer> dashboard;
    if (options.servePort) {
        std::string said;
        int code = 0;
        dashboard = StartSeriesDashboard(options.db, *options.servePort, said, code);
        Say(said);
        if (!dashboard)
            return code == kServePortUnusable ? kSeriesPortUnusable : kSeriesFailed;
    }
    if (options.protocolsDir && done > 0)
        WarnAboutMissingProtocols(*store, plan, *options.protocolsDir, done);
    const unsigned threads = options.threads != 0 ? options.threads : AvailableCores();
    const std::uint64_t toRun = plan.runCount() - done;
    WarnAboutCores(threads, processes > 1 ? "rank 0 on " + host : "the series");

    std::vector<std::unique_ptr<RemoteExecutor>> remotes;
    unsigned allThreads = threads;
    if (processes > 1) {
        remotes = GatherWorkers(processes, StopSignal);
        if (remotes.empty()) {
            Say("stopped by " + SignalName(StopSignal()) +
                " while the processes started; nothing was run");
            return 128 + StopSignal();
        }
        for (const auto& remote : remotes)
            allThreads += remote->cores();
    }
    std::string where = "on " + Plural(allThreads, "thread", "threads");
    if (processes > 1)
        where += " in " + std::to_string(processes) + " processes";
    Say("plan: " + Plural(plan.settingCount(), "setting", "settings") + " x " +
        Plural(plan.repeat, "seed", "seeds") + " (" + std::to_string(plan.firstSeed) + ".." +
        std::to_string(plan.lastSeed()) + ") = " + Plural(plan.runCount(), "run", "runs") + "; " +
        std::to_string(done) + " already done, " + std::to_string(toRun) + " to run " + where +
        "; database " + options.db);

    const RunCampaignOptions runOptions = RunOptionsOf(options, host);
    std::string whyNot;
    const std::unique_ptr<LocalExecutors> local = StartThreads(threads, runOptions, host, whyNot);
    if (!local) {
        Say(whyNot + "; nothing was run");
        return kSeriesFailed;
    }
    SeriesReport report;
    {
        ProgressLine progress(isatty(STDERR_FILENO) != 0, stderr, plan.runCount(), done);
        std::vector<ExecutorGroup*> groups = {local.get()};
        for (const auto& remote : remotes)
            groups.push_back(remote.get());
        CoordinatorOptions coordinatorOptions;
        coordinatorOptions.protocolsDir = options.protocolsDir;
        coordinatorOptions.stopSignal = StopSignal;
        // Local outcomes wake the coordinator at once; other processes'
        // outcomes are looked for this often (each has a spare run to go on with).
        if (processes > 1)
            coordinatorOptions.poll = std::chrono::milliseconds(10);
        Coordinator coordinator(*store, plan, groups, coordinatorOptions, progress);
        report = coordinator.run(toRun);
    }

    const std::uint64_t doneNow = done + report.stored;
    SayKeptWork(report);
    if (report.stopSignal != 0) {
        const std::string sentTo =
            report.stoppedIn.empty() ? "" : " (sent to " + report.stoppedIn + ")";
        std::string left;
        if (!report.stoppedAt.empty())
            left = Plural(report.stoppedAt.size(), "run", "runs") + " stopped at " +
                   (report.stoppedAt.size() == 1 ? "generation " : "generations ") +
                   NumberList(report.stoppedAt) + ", kept" +
                   (report.abandoned > 0 ? ", " + std::to_string(report.abandoned) + " abandoned"
                                         : "");
        else
            left = std::to_string(report.abandoned) + " abandoned";
        Say("stopped by " + SignalName(report.stopSignal) + sentTo + ": " + std::to_string(doneNow) + " of " +
            std::to_string(plan.runCount()) + " runs done and stored, " + left +
            "; run the same command again to continue");
        return 128 + report.stopSignal;
    }
    farewell.finish();
    // Each of these stopped the series before its end; the runs stored
    // until then are whole, and the same command goes on from there.
    const std::string goOn = "; " + std::to_string(doneNow) + " of " +
                             std::to_string(plan.runCount()) +
                             " runs are stored, run the same command again to continue";
    if (!report.writeError.empty()) {
        Say("--db " + options.db + ": cannot store a run: " + report.writeError + goOn);
        return kSeriesFailed;
    }
    if (!report.readError.empty()) {
        Say("--db " + options.db + ": cannot read the runs to do: " + report.readError + goOn);
        return kSeriesFailed;
    }
    if (!report.resourceError.empty()) {
        Say((report.resourceError == "no threads" ? "the system could not start the threads of a run"
                                                  : "a run ran out of memory") +
            std::string("; give fewer --threads (this process runs ") +
            std::to_string(local->cores()) + ") or more memory" + goOn);
        return kSeriesFailed;
    }
    if (!report.protocolsFull.empty()) {
        Say("--protocols " + options.protocolsDir.value_or("") + ": no space left on the device for " +
            report.protocolsFull + "; make room there" + goOn);
        return kSeriesFailed;
    }
    if (!report.fault.empty()) {
        Say("a fault between the processes of the series: " + report.fault +
            " (nothing of it is stored)" + goOn);
        return kSeriesFailed;
    }
    if (report.abandoned > 0) {
        // Not reached while the coordinator keeps its word; a series with
        // runs left behind must not end as complete, whatever left them.
        Say(Plural(report.abandoned, "run was", "runs were") + " abandoned" + goOn);
        return kSeriesFailed;
    }
    if (report.stored + report.failed > 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%llu run%s in %.2f s: compute %.2f s (the runs added up), storing %.3f s "
                      "(%.2f %% of compute)",
                      static_cast<unsigned long long>(report.stored + report.failed),
                      report.stored + report.failed == 1 ? "" : "s", report.wallSeconds, report.computeSeconds, report.storeSeconds,
                      report.computeSeconds > 0 ? 100.0 * report.storeSeconds / report.computeSeconds
                                                : 0.0);
        Say(text);
    }
    if (!remotes.empty()) {
        std::uint64_t runs = 0, sent = 0, received = 0;
        for (const auto& remote : remotes) {
            runs += remote->runsReturned();
            sent += remote->bytesSent();
            received += remote->bytesReceived();
        }
        char text[200];
        std::snprintf(text, sizeof text,
                      "MPI: %llu of the runs ran in the %d other process%s; per run %.0f bytes "
                      "received by rank 0 and %.0f bytes sent",
                      static_cast<unsigned long long>(runs), processes - 1,
                      processes == 2 ? "" : "es",
                      runs > 0 ? static_cast<double>(received) / static_cast<double>(runs) : 0.0,
                      runs > 0 ? static_cast<double>(sent) / static_cast<double>(runs) : 0.0);
        Say(text);
    }

    int exitCode = kSeriesDone;
    try {
        const std::vector<SettingSummary> summaries = SummariseSeries(*store, plan);
        // The table is what the series was asked for: one that does not
        // arrive (stdout on a full disk, a closed pipe) is a failure.
        if (std::fputs(SummaryTable(summaries).c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            Say(std::string("the table cannot be written to the standard output (") +
                std::strerror(errno) + ")");
            exitCode = kSeriesFailed;
            std::clearerr(stdout);  // said once is enough
        }
        if (options.csvFile)
            if (const FileError error = WriteWholeFile(*options.csvFile, SummaryCsv(summaries))) {
                Say("--csv " + *options.csvFile + ": cannot write the file: " + error.message());
                exitCode = kSeriesFailed;
            }
        if (options.plotsDir)
            if (const std::string problem =
                    WriteSummaryPlots(*options.plotsDir, *store, plan, summaries);
                !problem.empty()) {
                Say("--plots " + *options.plotsDir + ": " + problem);
                exitCode = kSeriesFailed;
            }
    } catch (const std::exception& error) {
        Say("--db " + options.db + ": cannot read the results: " + error.what());
        return kSeriesFailed;
    }
    if (report.failed > 0)
        Say(Plural(report.failed, "run", "runs") +
            " failed; the errors are in the database (runs with status 'failed'); run the "
            "same command again to retry");
    // Every other way of leaving runs undone has ended the series above.
    if (!report.complete())
        exitCode = kSeriesFailed;
    return exitCode;
}

}  // namespace zarudiv
