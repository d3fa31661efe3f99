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
#include "series/series_run.h"
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

std::string SignalName(int signal)
{
    if (signal == SIGINT)
        return "SIGINT";
    if (signal == SIGTERM)
        return "SIGTERM";
    return "signal " + std::to_string(signal);
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

RunCampaignOptions RunOptionsOf(const SeriesOptions& options, const std::string& host)
{
    RunCampaignOptions runOptions;
    runOptions.protocolsDir = options.protocolsDir;
    runOptions.keepProtocol = options.protocolsDir.has_value();
    runOptions.host = host;
    return runOptions;
}

// How long the runs took and what storing them cost.
void SayTimes(const SeriesReport& report)
{
    if (report.stored + report.failed == 0)
        return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "%llu run%s in %.2f s: compute %.2f s (the runs added up), storing %.3f s "
                  "(%.2f %% of compute)",
                  static_cast<unsigned long long>(report.stored + report.failed),
                  report.stored + report.failed == 1 ? "" : "s", report.wallSeconds,
                  report.computeSeconds, report.storeSeconds,
                  report.computeSeconds > 0 ? 100.0 * report.storeSeconds / report.computeSeconds
                                            : 0.0);
    Say(text);
}

// What the other processes of an MPI job ran, and the traffic per run.
void SayTraffic(const std::vector<std::unique_ptr<RemoteExecutor>>& remotes, int processes)
{
    if (remotes.empty())
        return;
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
                  static_cast<unsigned long long>(runs), processes - 1, processes == 2 ? "" : "es",
                  runs > 0 ? static_cast<double>(received) / static_cast<double>(runs) : 0.0,
                  runs > 0 ? static_cast<double>(sent) / static_cast<double>(runs) : 0.0);
    Say(text);
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

// What became of the runs in flight at a stop: "2 runs stopped at
// generations 613 and 598, kept", then any that came back without a state.
std::string RunsLeft(const SeriesReport& report)
{
    if (report.stoppedAt.empty())
        return std::to_string(report.abandoned) + " abandoned";
    return Plural(report.stoppedAt.size(), "run", "runs") + " stopped at " +
           (report.stoppedAt.size() == 1 ? "generation " : "generations ") +
           NumberList(report.stoppedAt) + ", kept" +
           (report.abandoned > 0 ? ", " + std::to_string(report.abandoned) + " abandoned" : "");
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

    const std::uint32_t firstSeed = options.seed ? *options.seed : ClockSeed();
    SeriesRequest request;
    request.db = options.db;
    request.plan = options.plan(firstSeed);
    request.commandLine = commandLine;
    request.version = ZARUDIV_VERSION;
    request.host = HostName();
    // A large job's rank 0 only coordinates: its core stores the runs and
    // answers the other processes.
    const bool computes = options.rank0RunsCampaigns(processes);
    request.threads = !computes ? 0 : options.threads != 0 ? options.threads : AvailableCores();
    request.multiProcess = processes > 1;
    request.protocolsDir = options.protocolsDir;
    request.plotsDir = options.plotsDir;
    request.csvFile = options.csvFile;
    const SeriesPlan& plan = request.plan;

    SeriesHooks hooks;
    hooks.stopSignal = StopSignal;
    const bool terminal = isatty(STDERR_FILENO) != 0;
    hooks.progressOnTerminal = terminal && options.progress != SeriesOptions::Progress::Never;
    hooks.progressInLog = !terminal && options.progress == SeriesOptions::Progress::Always;
    hooks.progressEvery = std::chrono::seconds(options.progressEvery);
    hooks.pictureFiles = {kConvergencePicture, kFinalQPicture};
    hooks.writePictures = WriteSummaryPlots;
    // The dashboard reads the database by its own connections, once the plan
    // is in it; it serves until the series returns.
    std::unique_ptr<DashboardServer> dashboard;
    int dashboardCode = 0;
    hooks.planRecorded = [&](SeriesStore&) {
        if (!options.seed)
            Say("first seed " + std::to_string(firstSeed) +
                " chosen by the clock (repeat with --seed " + std::to_string(firstSeed) + ")");
        if (!options.servePort)
            return true;
        std::string said;
        dashboard = StartSeriesDashboard(options.db, *options.servePort, said, dashboardCode);
        Say(said);
        return dashboard != nullptr;
    };
    std::vector<std::unique_ptr<RemoteExecutor>> remotes;
    hooks.gatherWorkers = [&] {
        remotes = GatherWorkers(processes, StopSignal);
        std::vector<ExecutorGroup*> groups;
        for (const auto& remote : remotes)
            groups.push_back(remote.get());
        return groups;
    };
    unsigned localThreads = request.threads;
    hooks.starting = [&](const SeriesHooks::Start& start) {
        localThreads = start.threadsStarted;
        if (start.journalMode != "wal")
            Say("warning: --db " + options.db + ": SQLite keeps the journal in mode '" +
                start.journalMode +
                "', not WAL (the file system does not allow it): the series works, but a program "
                "that reads the database meanwhile holds up its writes");
        if (!start.missingProtocolsUnknown.empty())
            Say("warning: --protocols " + *options.protocolsDir + ": cannot tell which runs done "
                "before have a protocol there: " + start.missingProtocolsUnknown);
        else if (start.missingProtocols > 0)
            Say("warning: --protocols " + *options.protocolsDir + ": " +
                std::to_string(start.missingProtocols) + " of the " +
                Plural(plan.runCount() - start.toRun, "run", "runs") +
                " done before have no protocol there (they ran without --protocols) and are not "
                "run again; zarudiv-run --generations G --mutants M --step P --seed S --save "
                "--protocol FILE writes any run's protocol");
        WarnAboutCores(request.threads, processes > 1 ? "rank 0 on " + request.host : "the series");
        if (start.threadsStarted < start.threadsAsked)
            Say("warning: only " + std::to_string(start.threadsStarted) + " of " +
                Plural(start.threadsAsked, "thread", "threads") +
                " could be started (the system is short of memory or threads); the series runs "
                "on " + std::to_string(start.threadsStarted));
        std::string where = "on " + Plural(start.allThreads, "thread", "threads");
        if (processes > 1)
            where += " in " + std::to_string(processes) + " processes";
        if (!computes)
            where += " (rank 0 coordinates only)";
        Say("plan: " + Plural(plan.settingCount(), "setting", "settings") + " x " +
            Plural(plan.repeat, "seed", "seeds") + " (" + std::to_string(plan.firstSeed) + ".." +
            std::to_string(plan.lastSeed()) + ") = " + Plural(plan.runCount(), "run", "runs") +
            "; " + std::to_string(plan.runCount() - start.toRun) + " already done, " +
            std::to_string(start.toRun) + " to run " + where + "; database " + options.db);
    };
    hooks.runsEnded = [&](const SeriesReport& report) {
        farewell.finish();
        SayKeptWork(report);
        SayTimes(report);
        SayTraffic(remotes, processes);
    };

    const SeriesResult result = RunSeries(request, hooks);
    const SeriesReport& report = result.report;
    const std::string goOn = "; " + std::to_string(result.doneNow()) + " of " +
                             std::to_string(plan.runCount()) +
                             " runs are stored, run the same command again to continue";
    switch (result.end) {
    case SeriesEnd::OutputsClash:
        Say(result.detail);
        return kSeriesBadInput;
    case SeriesEnd::DatabaseUnwritable:
        // The disk, not the command: the same command works where it may write.
        Say("--db " + options.db + ": the database cannot be written there (" + result.detail +
            "); nothing was run");
        return kSeriesFailed;
    case SeriesEnd::DatabaseRefused:
        Say("--db " + options.db + ": " + result.detail);
        return kSeriesBadInput;
    case SeriesEnd::DatabaseBusy:
        Say("--db " + options.db + ": " + result.detail);
        return kSeriesDatabaseBusy;
    case SeriesEnd::OutputUnusable:
        Say(result.detail);
        return kSeriesFailed;
    case SeriesEnd::PlanNotRecorded:
        Say("--db " + options.db + ": cannot record the plan: " + result.detail);
        return kSeriesFailed;
    case SeriesEnd::StoppedRecording:
        Say("stopped by " + SignalName(StopSignal()) +
            " while the plan was recorded; nothing of it was recorded or run; run the same "
            "command again to start the series");
        return 128 + StopSignal();
    case SeriesEnd::RefusedByHook:
        return dashboardCode == kServePortUnusable ? kSeriesPortUnusable : kSeriesFailed;
    case SeriesEnd::StoppedGathering:
        Say("stopped by " + SignalName(StopSignal()) + " while the processes started; nothing was run");
        return 128 + StopSignal();
    case SeriesEnd::NoThreads:
        Say("no thread for the runs could be started (" + result.detail +
            "): the system is short of memory or threads; give fewer --threads; nothing was run");
        return kSeriesFailed;
    case SeriesEnd::RunsEnded:
        SayKeptWork(report);
        if (report.stopSignal != 0) {
            const std::string sentTo =
                report.stoppedIn.empty() ? "" : " (sent to " + report.stoppedIn + ")";
            Say("stopped by " + SignalName(report.stopSignal) + sentTo + ": " +
                std::to_string(result.doneNow()) + " of " + std::to_string(plan.runCount()) +
                " runs done and stored, " + RunsLeft(report) +
                "; run the same command again to continue");
            return 128 + report.stopSignal;
        }
        farewell.finish();
        // Each of these stopped the series before its end; the runs stored
        // until then are whole, and the same command goes on from there.
        if (!report.writeError.empty() && report.writeError.find("out of memory") != std::string::npos)
            // SQLite found no memory for the rows: the threads' runs took it.
            Say("--db " + options.db + ": cannot store a run: " + report.writeError +
                "; give fewer --threads (this process runs " + std::to_string(localThreads) +
                ") or more memory" + goOn);
        else if (!report.writeError.empty())
            Say("--db " + options.db + ": cannot store a run: " + report.writeError + goOn);
        else if (!report.readError.empty())
            Say("--db " + options.db + ": cannot read the runs to do: " + report.readError + goOn);
        else if (!report.resourceError.empty())
            Say((report.resourceError == "no threads"
                     ? "the system could not start the threads of a run"
                     : "a run ran out of memory") +
                std::string("; give fewer --threads (this process runs ") +
                std::to_string(localThreads) + ") or more memory" + goOn);
        else if (!report.protocolsFull.empty())
            Say("--protocols " + options.protocolsDir.value_or("") +
                ": no space left on the device for " + report.protocolsFull + "; make room there" +
                goOn);
        else if (!report.fault.empty())
            Say("a fault between the processes of the series: " + report.fault +
                " (nothing of it is stored)" + goOn);
        else
            // Not reached while the coordinator keeps its word; a series with
            // runs left behind must not end as complete, whatever left them.
            Say(Plural(report.abandoned, "run was", "runs were") + " abandoned" + goOn);
        return kSeriesFailed;
    case SeriesEnd::ResultsUnreadable:
        Say("--db " + options.db + ": cannot read the results: " + result.detail);
        return kSeriesFailed;
    case SeriesEnd::Done:
    case SeriesEnd::Written:
        break;
    }

    int exitCode = kSeriesDone;
    // The table is what the series was asked for: one that does not arrive
    // (stdout on a full disk, a closed pipe) is a failure.
    if (std::fputs(SummaryTable(result.summaries).c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        Say(std::string("the table cannot be written to the standard output (") +
            std::strerror(errno) + ")");
        exitCode = kSeriesFailed;
        std::clearerr(stdout);  // said once is enough
    }
    for (const std::string& problem : result.outputProblems) {
        Say(problem);
        exitCode = kSeriesFailed;
    }
    if (report.failed > 0) {
        Say(Plural(report.failed, "run", "runs") +
            " failed; the errors are in the database (runs with status 'failed'); run the "
            "same command again to retry");
        exitCode = kSeriesFailed;
    }
    return exitCode;
}

}  // namespace zarudiv
