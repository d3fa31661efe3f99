#include "cli/report_options.h"

#include <CLI/CLI.hpp>
#include <limits>

#include "cli/number_list_option.h"
#include "cli/option_declarations.h"
#include "cli/real_number_option.h"

namespace zarudiv {

namespace {

// The most evaluations a run can have: 10000 generations x 100 mutants.
const WholeNumber kBudget{"--budget", "E", 1, 1000000, "budgets in evaluations",
                          "(a table of the best Q each run had within E evaluations)"};
const RealNumber kTargets{"--targets", "Q", 0.0, std::numeric_limits<double>::infinity(), true, true,
                          "target Q values, 0 or more (default: five from the median final Q down to "
                          "the best)"};
constexpr std::size_t kMaxTargets = 100;
const RealNumber kAlpha{"--alpha", "A", 0.0, 1.0, false, false,
                        "the level at which a setting counts as different from the best "
                        "(default 0.05)"};
const WholeNumber kBootstrapSeed{"--bootstrap-seed", "S", 0, std::numeric_limits<std::uint64_t>::max(),
                                 "the seed of the bootstrap intervals",
                                 "(default 1; the same seed gives the same report)"};

const char* const kDescription =
    "Analyses a series database: the final Q per setting and, with --budget, the\n"
    "best Q within equal budgets of evaluations, each with paired tests against\n"
    "the best setting on the seeds they share; the evaluations the settings need\n"
    "to reach target Qs (ERT); and for every setting the commands that replay\n"
    "its best and median runs. Reads the database only, also while a series\n"
    "writes it. The tables go to stdout.\n";

const char* const kFooter =
    "Exit codes:\n"
    "  0  the report is written\n"
    "  1  an output cannot be written, or the database cannot be read\n"
    "  2  bad options, a file that is not a series database, a budget beyond\n"
    "     every run or below every setting's mutants, or no done run\n";

struct ReportCommandLine {
    CLI::App app{kDescription, "zarudiv-series report"};
    ReportOptions options;

    ReportCommandLine()
    {
        ReportOptions& o = options;
        app.set_help_flag();
        app.add_flag("-h,--help", o.help, "show this text");
        AddText(app, "--db", "FILE", "the series database (default series.sqlite)", "a file name",
                [&o](const std::string& name) { o.db = name; });
        AddNumberList(app, kBudget, [&o](std::vector<int> values) {
            o.request.budgets.assign(values.begin(), values.end());
        });
        AddRealList(app, kTargets, kMaxTargets,
                    [&o](std::vector<double> values) { o.request.targets = std::move(values); });
        AddText(app, "--x", "AXIS",
                "generations or evaluations: the x axis of convergence.png (default: "
                "evaluations, on a log scale, when the settings differ in M)",
                "generations or evaluations", [&o](const std::string& axis) {
                    if (axis == "generations")
                        o.request.xAxis = XAxis::Generations;
                    else if (axis == "evaluations")
                        o.request.xAxis = XAxis::Evaluations;
                    else
                        throw CLI::ValidationError("--x needs generations or evaluations (got \"" +
                                                   axis + "\")");
                });
        AddReal(app, kAlpha, [&o](double alpha) { o.request.views.alpha = alpha; });
        AddWholeNumber(app, kBootstrapSeed,
                       [&o](std::uint64_t seed) { o.request.views.bootstrapSeed = seed; });
        AddText(app, "--csv", "DIR",
                "write every table as a CSV file into DIR (created when missing)", "a directory",
                [&o](const std::string& dir) { o.csvDir = dir; });
        AddText(app, "--plots", "DIR",
                "write convergence, final-q, budget-E and ecdf as PNG and SVG into DIR",
                "a directory", [&o](const std::string& dir) { o.plotsDir = dir; });
        AddText(app, "--html", "FILE",
                "write the whole report as one self-contained HTML page", "a file name",
                [&o](const std::string& file) { o.htmlFile = file; });
        AddText(app, "--export-ioh", "DIR",
                "write the runs as IOHprofiler data (one directory per setting) into DIR",
                "a directory", [&o](const std::string& dir) { o.iohDir = dir; });
        app.allow_extras();
        app.footer(kFooter);
        app.get_formatter()->column_width(26);
    }
};

}  // namespace

ReportParse ParseReportOptions(const std::vector<std::string>& args)
{
    ReportCommandLine line;
    ReportParse result;
    result.error = ParseArguments(line.app, args);
    result.options = line.options;
    return result;
}

std::string ReportUsage()
{
    ReportCommandLine line;
    return line.app.help();
}

}  // namespace zarudiv
