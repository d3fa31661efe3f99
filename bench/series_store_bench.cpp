// How many finished runs one rank 0 takes and stores, measured without a
// cluster and without computing the campaigns: a few real runs are computed
// once, and their outcomes handed back again and again as distinct runs of
// a plan, as fast as the coordinator takes them.
//
//   zarudiv_series_store_bench store [options]      the coordinator and the store
//   mpirun -np 2 zarudiv_series_store_bench mpi     the same through MPI to one process
//   zarudiv_series_store_bench heartbeat [options]  the cost of rewriting running runs' rows
//
// Every mode ends with a line "RESULT key=value ..." for scripts
// (bench/series_store.sh).

#include <CLI/CLI.hpp>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "series/coordinator.h"
#include "series/local_executors.h"
#include "series/mpi_session.h"
#include "series/mpi_worker.h"
#include "series/remote_executor.h"
#include "series/run_campaign.h"
#include "series/run_message.h"
#include "series/series_store.h"

namespace {

using namespace zarudiv;
using Clock = std::chrono::steady_clock;

struct Options {
    int generations = 60;
    int mutants = 10;
    int step = 500;
    std::uint32_t runs = 20000;
    unsigned groups = 250;       // simulated processes
    unsigned cores = 4;          // cores of each
    unsigned templates = 4;      // real runs computed once
    double secondsPerRun = 0.0;  // 0: the templates' own mean
    std::string db;              // default: a file in a fresh temporary directory
    unsigned workerThreads = 4;  // mpi: the other process's threads
    std::uint32_t messages = 20000;  // mpi: outcomes sent bare, before the series
    double heartbeatSeconds = 1.0;   // heartbeat: the period
};

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

SeriesPlan PlanOf(const Options& options)
{
    SeriesPlan plan;
    plan.generations = {options.generations};
    plan.mutants = {options.mutants};
    plan.steps = {options.step};
    plan.firstSeed = 1;
    plan.repeat = options.runs;
    return plan;
}

// Real outcomes of the plan's setting, and the mean time one took.
std::vector<RunOutcome> Templates(const Options& options, double& seconds)
{
    std::vector<RunOutcome> outcomes;
    StopRequest never;
    RunCampaignOptions runOptions;
    runOptions.host = "bench";
    double total = 0.0;
    for (unsigned i = 0; i < options.templates; ++i) {
        RunJob job;
        job.key.setting = Setting{options.generations, options.mutants, options.step};
        job.key.seed = 1000 + i;
        RunOutcome outcome = RunSeriesJob(job, runOptions, never);
        if (outcome.status != RunStatus::Done)
            throw std::runtime_error("the template run failed: " + outcome.error);
        total += outcome.seconds;
        outcomes.push_back(std::move(outcome));
    }
    seconds = total / options.templates;
    return outcomes;
}

// The template for a job, as that job's outcome.
RunOutcome Rekeyed(const std::vector<RunOutcome>& templates, const RunJob& job)
{
    RunOutcome outcome = templates[job.key.seed % templates.size()];
    outcome.runId = job.runId;
    outcome.key = job.key;
    return outcome;
}

// A process whose runs end the moment they are handed out.
class InstantGroup : public ExecutorGroup {
public:
    InstantGroup(unsigned cores, const std::vector<RunOutcome>& templates, int index)
        : cores_(cores), templates_(templates), host_("node" + std::to_string(index))
    {
    }
    unsigned cores() const override { return cores_; }
    const std::string& host() const override { return host_; }
    std::string name() const override { return host_; }
    void submit(const RunJob& job) override { jobs_.push_back(job); }
    void collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds) override
    {
        for (const RunJob& job : jobs_) {
            outcomes.push_back(Rekeyed(templates_, job));
            outcomes.back().host = host_;
            if (stopped_)
                outcomes.back().status = RunStatus::Abandoned;
        }
        jobs_.clear();
    }
    void stop() override { stopped_ = true; }

private:
    unsigned cores_;
    const std::vector<RunOutcome>& templates_;
    std::string host_;
    std::deque<RunJob> jobs_;
    bool stopped_ = false;
};

class NoProgress {
public:
    NoProgress() : line(false, stderr, 0, 0) {}
    ProgressLine line;
};

std::string DatabaseFile(const Options& options, std::filesystem::path& scratch)
{
    if (!options.db.empty())
        return options.db;
    scratch = std::filesystem::temp_directory_path() /
              ("series_store_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    return (scratch / "bench.sqlite").string();
}

// What every mode says about a run length: the cores one rank 0 keeps busy.
void SayCeiling(const Options& options, double runsPerSecond, double secondsPerRun)
{
    std::printf("  a run of %d generations taking %.3f s on one core: one rank 0 keeps about %.0f "
                "cores busy\n",
                options.generations, secondsPerRun, runsPerSecond * secondsPerRun);
}

// Whole runs only, and all of them: what a store that loses or splits runs
// would show.
bool CheckStored(const std::string& file, const Options& options, std::uint64_t expected)
{
    SQLite::Database db(file, SQLite::OPEN_READONLY);
    const auto done = db.execAndGet("SELECT count(*) FROM runs WHERE status = 'done'").getInt64();
    const auto rows = db.execAndGet("SELECT count(*) FROM generations").getInt64();
    if (static_cast<std::uint64_t>(done) != expected ||
        rows != done * static_cast<std::int64_t>(options.generations)) {
        std::fprintf(stderr, "the database holds %lld done runs and %lld generation rows, not %llu and %llu\n",
                     static_cast<long long>(done), static_cast<long long>(rows),
                     static_cast<unsigned long long>(expected),
                     static_cast<unsigned long long>(expected * options.generations));
        return false;
    }
    return true;
}

int Store(const Options& options)
{
    double secondsPerRun = 0.0;
    const std::vector<RunOutcome> templates = Templates(options, secondsPerRun);
    if (options.secondsPerRun > 0.0)
        secondsPerRun = options.secondsPerRun;
    std::filesystem::path scratch;
    const std::string file = DatabaseFile(options, scratch);
    const SeriesPlan plan = PlanOf(options);
    SeriesReport report;
    double wall = 0.0, cpu = 0.0;
    {
        SeriesStore store(file);
        const std::uint64_t added = store.addPlan(plan, PlanRecord{"bench", "now", "bench", "bench"}).value();
        std::vector<std::unique_ptr<InstantGroup>> owned;
        std::vector<ExecutorGroup*> groups;
        for (unsigned g = 0; g < options.groups; ++g) {
            owned.push_back(std::make_unique<InstantGroup>(options.cores, templates, static_cast<int>(g)));
            groups.push_back(owned.back().get());
        }
        NoProgress progress;
        Coordinator coordinator(store, plan, groups, CoordinatorOptions{}, progress.line);
        const double cpuStart = CpuSeconds();
        const auto start = Clock::now();
        report = coordinator.run(added);
        wall = Since(start);
        cpu = CpuSeconds() - cpuStart;
    }
    const bool whole = report.complete() && CheckStored(file, options, plan.runCount());
    if (!scratch.empty())
        std::filesystem::remove_all(scratch);
    if (!whole) {
        std::fprintf(stderr, "the series did not store every run (%s%s)\n", report.writeError.c_str(),
                     report.fault.c_str());
        return 1;
    }
    const double runsPerSecond = static_cast<double>(report.stored) / wall;
    const double rowsPerSecond = runsPerSecond * options.generations;
    std::printf("store: %llu runs of %d generations x %d mutants, %u processes x %u cores\n",
                static_cast<unsigned long long>(report.stored), options.generations, options.mutants,
                options.groups, options.cores);
    std::printf("  %.2f s: %.0f runs/s, %.0f generation rows/s; rank 0 CPU %.2f s (%.0f %% of the "
                "wall time), %.1f us per run, %.0f %% of it storing\n",
                wall, runsPerSecond, rowsPerSecond, cpu, 100.0 * cpu / wall, 1e6 * cpu / static_cast<double>(report.stored),
                100.0 * report.storeSeconds / wall);
    SayCeiling(options, runsPerSecond, secondsPerRun);
    std::printf("RESULT mode=store generations=%d runs_per_s=%.0f rows_per_s=%.0f cpu_share=%.3f "
                "us_per_run=%.2f seconds_per_run=%.4f cores=%.0f\n",
                options.generations, runsPerSecond, rowsPerSecond, cpu / wall,
                1e6 * cpu / static_cast<double>(report.stored), secondsPerRun, runsPerSecond * secondsPerRun);
    return 0;
}

int Mpi(const Options& options, int& argc, char**& argv)
{
    MpiSession session(argc, argv);
    if (session.size() != 2) {
        if (session.rank() == 0)
            std::fprintf(stderr, "the mpi mode takes two processes: mpirun -np 2\n");
        return 2;
    }
    const auto never = [] { return 0; };
    double secondsPerRun = 0.0;
    // Both processes compute the templates: rank 1 hands them back, rank 0
    // needs only their time.
    const std::vector<RunOutcome> templates = Templates(options, secondsPerRun);
    if (options.secondsPerRun > 0.0)
        secondsPerRun = options.secondsPerRun;
    if (session.rank() == 1) {
        // The bare messages first: outcomes as fast as MPI takes them.
        for (std::uint32_t i = 0; i < options.messages; ++i) {
            RunJob job;
            job.runId = i + 1;
            job.key = templates[0].key;
            job.key.seed = i;
            SendMessage(0, kTagOutcome, EncodeOutcome(Rekeyed(templates, job)));
        }
        // Then the series' own worker, on runs that end at once.
        return RunSeriesWorkerWith(
            options.workerThreads,
            [&templates](const RunJob& job, const StopRequest&, LiveProgress&) { return Rekeyed(templates, job); },
            "worker", never);
    }

    std::uint64_t bytes = 0;
    const double cpuStart = CpuSeconds();
    auto start = Clock::now();
    for (std::uint32_t received = 0; received < options.messages;)
        if (std::optional<Message> message = ReceiveIfAny(1, kTagOutcome)) {
            bytes += message->bytes.size();
            DecodeOutcome(message->bytes);
            ++received;
        }
    const double bareWall = Since(start);
    const double bareCpu = CpuSeconds() - cpuStart;

    std::filesystem::path scratch;
    const std::string file = DatabaseFile(options, scratch);
    const SeriesPlan plan = PlanOf(options);
    SeriesReport report;
    std::uint64_t sent = 0, receivedBytes = 0, returned = 0, messages = 0;
    double wall = 0.0, cpu = 0.0;
    {
        SeriesStore store(file);
        const std::uint64_t added = store.addPlan(plan, PlanRecord{"bench", "now", "bench", "bench"}).value();
        std::vector<std::unique_ptr<RemoteExecutor>> remotes = GatherWorkers(2, never);
        std::vector<ExecutorGroup*> groups = {remotes[0].get()};
        NoProgress progress;
        CoordinatorOptions coordinatorOptions;
        coordinatorOptions.poll = std::chrono::milliseconds(10);
        Coordinator coordinator(store, plan, groups, coordinatorOptions, progress.line);
        const double cpuBefore = CpuSeconds();
        start = Clock::now();
        report = coordinator.run(added);
        wall = Since(start);
        cpu = CpuSeconds() - cpuBefore;
        FinishWorkers(2, std::chrono::milliseconds(30000));
        sent = remotes[0]->bytesSent();
        receivedBytes = remotes[0]->bytesReceived();
        returned = remotes[0]->runsReturned();
        messages = remotes[0]->messagesReceived();
    }
    const bool whole = report.complete() && CheckStored(file, options, plan.runCount());
    if (!scratch.empty())
        std::filesystem::remove_all(scratch);
    if (!whole) {
        std::fprintf(stderr, "the series did not store every run\n");
        return 1;
    }
    const double bareRate = options.messages / bareWall;
    const double runsPerSecond = static_cast<double>(report.stored) / wall;
    std::printf("mpi: %u outcomes of %d generations sent bare: %.0f messages/s, %.0f bytes each, "
                "rank 0 CPU %.0f %%\n",
                options.messages, options.generations, bareRate,
                static_cast<double>(bytes) / options.messages, 100.0 * bareCpu / bareWall);
    std::printf("  the series through MPI, one process of %u threads: %.0f runs/s stored, "
                "%.0f outcome messages/s; per run %.0f bytes to rank 0, %.0f from it; rank 0 CPU "
                "%.0f %%\n",
                options.workerThreads, runsPerSecond, static_cast<double>(messages) / wall,
                static_cast<double>(receivedBytes) / static_cast<double>(returned),
                static_cast<double>(sent) / static_cast<double>(returned), 100.0 * cpu / wall);
    SayCeiling(options, runsPerSecond, secondsPerRun);
    std::printf("RESULT mode=mpi generations=%d bare_messages_per_s=%.0f runs_per_s=%.0f "
                "bytes_per_run=%.0f cpu_share=%.3f cores=%.0f\n",
                options.generations, bareRate, runsPerSecond,
                static_cast<double>(receivedBytes + sent) / static_cast<double>(returned), cpu / wall,
                runsPerSecond * secondsPerRun);
    return 0;
}

// A live view wants each running run's row rewritten every period (its
// generation and best Q so far): one row update per running run and period.
// Measured on a database of the plan's runs, each update its own transaction
// and all of a period's in one.
int Heartbeat(const Options& options)
{
    std::filesystem::path scratch;
    const std::string file = DatabaseFile(options, scratch);
    const SeriesPlan plan = PlanOf(options);
    {
        SeriesStore store(file);
        store.addPlan(plan, PlanRecord{"bench", "now", "bench", "bench"});
    }
    SQLite::Database db(file, SQLite::OPEN_READWRITE);
    db.exec("PRAGMA journal_mode = WAL");
    db.exec("PRAGMA synchronous = NORMAL");
    SQLite::Statement update(db, "UPDATE runs SET best_generation = ?, best_q = ? WHERE id = ?");
    const auto beat = [&](std::int64_t id, int generation) {
        update.bind(1, generation);
        update.bind(2, 1.0 / generation);
        update.bind(3, id);
        update.exec();
        update.reset();
    };
    const std::int64_t count = plan.runCount();
    auto start = Clock::now();
    for (std::int64_t id = 1; id <= count; ++id) {
        SQLite::Transaction transaction(db);
        beat(id, static_cast<int>(id % 1000) + 1);
        transaction.commit();
    }
    const double single = static_cast<double>(count) / Since(start);
    start = Clock::now();
    {
        SQLite::Transaction transaction(db);
        for (std::int64_t id = 1; id <= count; ++id)
            beat(id, static_cast<int>(id % 1000) + 2);
        transaction.commit();
    }
    const double grouped = static_cast<double>(count) / Since(start);
    if (!scratch.empty())
        std::filesystem::remove_all(scratch);
    std::printf("heartbeat: %lld running rows rewritten: %.0f/s one transaction each, %.0f/s in one "
                "transaction\n",
                static_cast<long long>(count), single, grouped);
    std::printf("  one row a running run every %.1f s: 1,000 cores cost rank 0 %.1f %% of a core "
                "(grouped), %.1f %% (one transaction each)\n",
                options.heartbeatSeconds, 100.0 * 1000.0 / options.heartbeatSeconds / grouped,
                100.0 * 1000.0 / options.heartbeatSeconds / single);
    std::printf("RESULT mode=heartbeat single_per_s=%.0f grouped_per_s=%.0f\n", single, grouped);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app("How many finished runs one rank 0 takes and stores");
    Options options;
    std::string mode = "store";
    app.add_option("mode", mode, "store, mpi or heartbeat")->check(CLI::IsMember({"store", "mpi", "heartbeat"}));
    app.add_option("--generations", options.generations, "generations of a run")->check(CLI::Range(1, 100000));
    app.add_option("--mutants", options.mutants, "mutants of a run")->check(CLI::Range(1, 10000));
    app.add_option("--step", options.step, "the step in ppm")->check(CLI::Range(1, 1000000));
    app.add_option("--runs", options.runs, "runs of the plan")->check(CLI::Range(1u, 10000000u));
    app.add_option("--groups", options.groups, "simulated processes (store)")->check(CLI::Range(1u, 100000u));
    app.add_option("--cores", options.cores, "cores of each (store)")->check(CLI::Range(1u, 1024u));
    app.add_option("--templates", options.templates, "real runs computed once")->check(CLI::Range(1u, 64u));
    app.add_option("--seconds-per-run", options.secondsPerRun,
                   "a run's time on one core, for the ceiling (default: the templates' mean)");
    app.add_option("--db", options.db, "the database (default: a scratch file, removed)");
    app.add_option("--worker-threads", options.workerThreads, "the other process's threads (mpi)")
        ->check(CLI::Range(1u, 1024u));
    app.add_option("--messages", options.messages, "outcomes sent bare (mpi)")->check(CLI::Range(1u, 10000000u));
    app.add_option("--heartbeat-seconds", options.heartbeatSeconds, "the live view's period (heartbeat)");
    CLI11_PARSE(app, argc, argv);
    try {
        if (mode == "mpi")
            return Mpi(options, argc, argv);
        if (mode == "heartbeat")
            return Heartbeat(options);
        return Store(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "series_store_bench: %s\n", error.what());
        return 1;
    }
}
