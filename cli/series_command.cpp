#include "cli/series_command.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>

#include "evolution/random_source.h"
#include "series/coordinator.h"
#include "series/local_executors.h"
#include "series/run_campaign.h"
#include "series/series_store.h"
#include "series/series_summary.h"
#include "series/stop_signals.h"
#include "series/summary_plots.h"
#include "series/whole_file.h"

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

// The directories and files the results go to are checked before any run:
// hours of computing must not end in a path that was mistyped.
std::string CheckOutputs(const SeriesOptions& options)
{
    if (options.protocolsDir)
        if (const std::string problem = MakeDirectory(*options.protocolsDir); !problem.empty())
            return "--protocols " + *options.protocolsDir + ": " + problem;
    if (options.plotsDir)
        if (const std::string problem = MakeDirectory(*options.plotsDir); !problem.empty())
            return "--plots " + *options.plotsDir + ": " + problem;
    if (options.csvFile)
        if (const std::string problem = CheckWritable(*options.csvFile); !problem.empty())
            return "--csv " + *options.csvFile + ": " + problem;
    return {};
}

}  // namespace

std::string ShellCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!line.empty())
            line += ' ';
        const bool plain = !arg.empty() && arg.find_first_not_of(
                                               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                               "0123456789-_=,./:+@") == std::string::npos;
        if (plain) {
            line += arg;
            continue;
        }
        line += '\'';
        for (char c : arg)
            line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

int RunSeriesCommand(const SeriesOptions& options, const std::string& commandLine)
{
    InstallStopSignals();
    if (const std::string problem = CheckOutputs(options); !problem.empty()) {
        Say(problem);
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
        Say("--db " + options.db + ": " + error.what());
        return error.kind() == SeriesStoreError::Kind::InUse ? kSeriesDatabaseBusy : kSeriesBadInput;
    }

    const std::string host = HostName();
    std::uint64_t done = 0;
    try {
        store->addPlan(plan, PlanRecord{commandLine, UtcNow(), ZARUDIV_VERSION, host});
        done = store->countDone(plan);
    } catch (const std::exception& error) {
        Say("--db " + options.db + ": cannot record the plan: " + error.what());
        return kSeriesFailed;
    }
    const unsigned threads = options.threads != 0 ? options.threads : AvailableCores();
    const std::uint64_t toRun = plan.runCount() - done;
    Say("plan: " + std::to_string(plan.settingCount()) + " settings x " +
        std::to_string(plan.repeat) + " seeds (" + std::to_string(plan.firstSeed) + ".." +
        std::to_string(plan.lastSeed()) + ") = " + std::to_string(plan.runCount()) + " runs; " +
        std::to_string(done) + " already done, " + std::to_string(toRun) + " to run on " +
        std::to_string(threads) + " threads; database " + options.db);

    RunCampaignOptions runOptions;
    runOptions.protocolsDir = options.protocolsDir;
    runOptions.keepProtocol = options.protocolsDir.has_value();
    runOptions.host = host;
    SeriesReport report;
    {
        ProgressLine progress(isatty(STDERR_FILENO) != 0, stderr, plan.runCount(), done);
        LocalExecutors local(
            threads,
            [runOptions](const RunJob& job, const StopRequest& stop) {
                return RunCampaign(job, runOptions, stop);
            },
            host);
        CoordinatorOptions coordinatorOptions;
        coordinatorOptions.protocolsDir = options.protocolsDir;
        coordinatorOptions.stopSignal = StopSignal;
        Coordinator coordinator(*store, plan, {&local}, coordinatorOptions, progress);
        report = coordinator.run(toRun);
    }

    const std::uint64_t doneNow = done + report.stored;
    if (report.stopSignal != 0) {
        Say("stopped by " + SignalName(report.stopSignal) + ": " + std::to_string(doneNow) + " of " +
            std::to_string(plan.runCount()) + " runs done and stored, " +
            std::to_string(report.abandoned) +
            " abandoned; run the same command again to continue");
        return 128 + report.stopSignal;
    }
    if (!report.writeError.empty()) {
        Say("--db " + options.db + ": cannot store a run: " + report.writeError + "; " +
            std::to_string(doneNow) + " runs are stored, run the same command again to continue");
        return kSeriesFailed;
    }
    if (report.stored + report.failed > 0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%llu runs in %.2f s: compute %.2f s (the runs added up), storing %.3f s "
                      "(%.2f %% of compute)",
                      static_cast<unsigned long long>(report.stored + report.failed),
                      report.wallSeconds, report.computeSeconds, report.storeSeconds,
                      report.computeSeconds > 0 ? 100.0 * report.storeSeconds / report.computeSeconds
                                                : 0.0);
        Say(text);
    }

    int exitCode = kSeriesDone;
    try {
        const std::vector<SettingSummary> summaries = SummariseSeries(*store, plan);
        std::fputs(SummaryTable(summaries).c_str(), stdout);
        std::fflush(stdout);
        if (options.csvFile)
            if (const std::string problem = WriteWholeFile(*options.csvFile, SummaryCsv(summaries));
                !problem.empty()) {
                Say("--csv " + *options.csvFile + ": cannot write the file: " + problem);
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
    if (report.failed > 0) {
        Say(std::to_string(report.failed) +
            " runs failed; their errors are in the database (runs with status 'failed'); run the "
            "same command again to retry them");
        exitCode = kSeriesFailed;
    }
    return exitCode;
}

}  // namespace zarudiv
