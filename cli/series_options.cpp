#include "cli/series_options.h"

#include <sched.h>

#include <CLI/CLI.hpp>
#include <limits>
#include <thread>

#include "cli/number_list_option.h"
#include "cli/option_declarations.h"
#include "series/series_store.h"

namespace zarudiv {

namespace {

// The runner's ranges, without its 0 ("scroll bar never moved"), which no
// series needs.
const WholeNumber kGenerations{"--generations", "G", 1, 10000, "generations", ""};
const WholeNumber kMutants{"--mutants", "M", 1, 100, "mutants per generation", ""};
const WholeNumber kSteps{"--step", "P", 1, 1000, "start step widths in ppm",
                         "(the step width is P / 1000000000)"};
const WholeNumber kRepeat{"--repeat", "R", 1, 100000, "runs of each setting",
                          "(with the seeds S, S+1, ..., S+R-1, the same for every setting)"};
const WholeNumber kSeed{"--seed", "S", 0, std::numeric_limits<std::uint32_t>::max(),
                        "the first seed",
                        "(without it the clock picks S and it is printed, so that the series "
                        "can be repeated)"};
const WholeNumber kServe{"--serve", "PORT", 1, 65535,
                         "also serve the dashboard (as zarudiv-series serve) on 127.0.0.1:PORT "
                         "while the series runs",
                         ""};
const WholeNumber kProgressEvery{"--progress-every", "S", 1, 86400,
                                 "with --progress always and stderr not a terminal, a progress "
                                 "line every S seconds",
                                 "(default 30)"};
const WholeNumber kThreads{"--threads", "N", 1, 256, "run N campaigns side by side",
                           "(default: all cores). The results are the same for every N."};

const char* const kDescription =
    "Runs an experiment series: every setting of the cross product of the\n"
    "generation, mutant and step lists, each with the seeds S, S+1, ..., S+R-1.\n"
    "Every run is exactly \"zarudiv-run --generations G --mutants M --step P\n"
    "--seed s --save\": the same campaign, the same protocol. The runs are stored\n"
    "in an SQLite database; the same command on the same database resumes a\n"
    "series, running only what is not done yet. At the end a table of the final\n"
    "Q per setting goes to stdout, best settings first.\n"
    "\n"
    "zarudiv-series report --db FILE [options] analyses a series database: equal\n"
    "budgets, paired tests, fixed targets, CSV, pictures and an HTML page (see\n"
    "zarudiv-series report --help).\n";

const char* const kFooter =
    "Ctrl-C or SIGTERM stops a series cleanly: runs in flight are abandoned,\n"
    "finished runs stay in the database. Progress goes to stderr when it is a\n"
    "terminal; with --progress always also into a file or a batch job's log, a\n"
    "line every --progress-every seconds (runs done of the total, running,\n"
    "failed, elapsed, the time left, the best Q so far). Runs being computed\n"
    "are 'running' in the database, with their start, host, current generation\n"
    "and best Q, refreshed every 2 seconds. Under mpirun (or srun) the series\n"
    "runs across all the job's processes, each on --threads threads; rank 0\n"
    "alone writes the database, the protocols, the table, the CSV and the\n"
    "pictures.\n"
    "\"zarudiv-series serve --help\" tells how to watch a series in the browser.\n"
    "\n"
    "Exit codes:\n"
    "  0  every run of the plan is done\n"
    "  1  a run failed (its error is in the database), an output cannot be\n"
    "     written (checked before any run; the table on stdout too, a closed\n"
    "     pipe included), the database cannot be written there (a read-only or\n"
    "     full disk), the --protocols disk is full, memory or threads ran out\n"
    "     (give fewer --threads), or the database or the job's processes\n"
    "     failed; the message is on stderr, and the same command continues\n"
    "  2  bad options (two outputs that are one file among them), or a\n"
    "     database that is not a series database, is damaged, or has more\n"
    "     than one name (hard links)\n"
    "  3  another series is using the database\n"
    "  4  the --serve port is in use (nothing was run)\n"
    "  128+n  stopped by signal n (130: Ctrl-C, 143: SIGTERM), also when it\n"
    "     reached one process of an MPI job only; a second one ends the\n"
    "     program at once. The same command continues the series\n";

struct SeriesCommandLine {
    CLI::App app{kDescription, "zarudiv-series"};
    SeriesOptions options;
    CLI::Option* generations = nullptr;
    CLI::Option* mutants = nullptr;
    CLI::Option* steps = nullptr;
    CLI::Option* repeat = nullptr;

    SeriesCommandLine()
    {
        SeriesOptions& o = options;
        app.set_help_flag();
        app.add_flag("-h,--help", o.help, "show this text");
        generations = AddNumberList(app, kGenerations,
                                    [&o](std::vector<int> v) { o.generations = std::move(v); });
        mutants = AddNumberList(app, kMutants, [&o](std::vector<int> v) { o.mutants = std::move(v); });
        steps = AddNumberList(app, kSteps, [&o](std::vector<int> v) { o.steps = std::move(v); });
        repeat = AddWholeNumber(app, kRepeat,
                                [&o](std::uint64_t v) { o.repeat = static_cast<std::uint32_t>(v); });
        AddWholeNumber(app, kSeed, [&o](std::uint64_t v) { o.seed = static_cast<std::uint32_t>(v); });
        AddText(app, "--db", "FILE",
                "the series database (default series.sqlite); created when missing, resumed "
                "when it holds runs of the plan",
                "a file name", [&o](const std::string& name) {
                    if (SqliteTakesAsSpecial(name))
                        throw CLI::ValidationError(
                            "--db " + name + " is a name SQLite keeps for " +
                            (name == ":memory:" ? "a database in memory, which keeps nothing"
                                                : "a URI") +
                            "; give a file name (./" + name + " for a file of that name)");
                    o.db = name;
                });
        AddWholeNumber(app, kThreads,
                       [&o](std::uint64_t v) { o.threads = static_cast<unsigned>(v); });
        AddText(app, "--protocols", "DIR",
                "keep each run's protocol as DIR/G<G>_M<M>_P<P>_S<seed>.doc (DIR is created "
                "when missing)",
                "a directory", [&o](const std::string& dir) { o.protocolsDir = dir; });
        AddText(app, "--plots", "DIR",
                "write convergence.png (curves of the 24 best settings at most) and "
                "final-q.png into DIR (created when missing)",
                "a directory", [&o](const std::string& dir) { o.plotsDir = dir; });
        AddText(app, "--csv", "FILE", "write the table of results as CSV to FILE", "a file name",
                [&o](const std::string& name) { o.csvFile = name; });
        AddWholeNumber(app, kServe, [&o](std::uint64_t v) { o.servePort = static_cast<int>(v); });
        AddText(app, "--progress", "auto|always|never",
                "progress on stderr: auto (default) a line redrawn when stderr is a terminal, "
                "always that or else a line every --progress-every seconds, never none",
                "auto, always or never", [&o](const std::string& value) {
                    using P = SeriesOptions::Progress;
                    if (value == "auto")
                        o.progress = P::Auto;
                    else if (value == "always")
                        o.progress = P::Always;
                    else if (value == "never")
                        o.progress = P::Never;
                    else
                        throw CLI::ValidationError("--progress " + value +
                                                   ": give auto, always or never");
                });
        AddWholeNumber(app, kProgressEvery,
                       [&o](std::uint64_t v) { o.progressEvery = static_cast<unsigned>(v); });
        AddText(app, "--rank0-computes", "yes|no|auto",
                "under MPI, whether rank 0 runs campaigns on --threads threads besides storing "
                "the runs (default auto: yes up to " + std::to_string(kRank0ComputesUpTo) +
                    " processes, no above)",
                "yes, no or auto", [&o](const std::string& value) {
                    using R = SeriesOptions::Rank0Computes;
                    if (value == "yes")
                        o.rank0Computes = R::Yes;
                    else if (value == "no")
                        o.rank0Computes = R::No;
                    else if (value == "auto")
                        o.rank0Computes = R::Auto;
                    else
                        throw CLI::ValidationError("--rank0-computes " + value +
                                                   ": give yes, no or auto");
                });
        app.allow_extras();
        app.footer(kFooter);
        app.get_formatter()->column_width(26);
    }
};

}  // namespace

SeriesPlan SeriesOptions::plan(std::uint32_t firstSeed) const
{
    SeriesPlan p;
    p.generations = generations;
    p.mutants = mutants;
    p.steps = steps;
    p.firstSeed = firstSeed;
    p.repeat = repeat;
    return p;
}

bool SeriesOptions::rank0RunsCampaigns(int processes) const
{
    // A process alone runs its campaigns itself.
    if (processes <= 1 || rank0Computes == Rank0Computes::Yes)
        return true;
    if (rank0Computes == Rank0Computes::No)
        return false;
    return processes <= kRank0ComputesUpTo;
}

SeriesParse ParseSeriesOptions(const std::vector<std::string>& args)
{
    SeriesCommandLine line;
    SeriesParse result;
    result.error = ParseArguments(line.app, args, &result.warnings);
    result.options = line.options;
    if (!result.error.empty() || result.options.help)
        return result;
    const auto missingList = [](const WholeNumber& option) {
        return option.name + " is missing: give " + ListRange(option);
    };
    if (line.generations->count() == 0)
        result.error = missingList(kGenerations);
    else if (line.mutants->count() == 0)
        result.error = missingList(kMutants);
    else if (line.steps->count() == 0)
        result.error = missingList(kSteps);
    else if (line.repeat->count() == 0)
        result.error = kRepeat.missing();
    else {
        const SeriesPlan plan = result.options.plan(0);
        if (plan.runCount() > kMaxPlanRuns)
            result.error = "the plan has " + std::to_string(plan.runCount()) + " runs (" +
                           std::to_string(plan.settingCount()) + " settings x --repeat " +
                           std::to_string(plan.repeat) + "); a series takes at most " +
                           std::to_string(kMaxPlanRuns);
    }
    return result;
}

std::string SeriesUsage()
{
    SeriesCommandLine line;
    return line.app.help();
}

unsigned AvailableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace zarudiv
