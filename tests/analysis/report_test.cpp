// zarudiv-series report run as a user runs it, on databases written through
// the series' store with Q values chosen so that every number of the report
// can be worked out by hand.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/analysis/series_fixture.h"
#include "tests/support/process.h"

namespace {

using namespace zarudiv;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::RunProgram;
using zarudiv::testing::TempDir;
using zarudiv::testing::WriteSeries;

// G 2, M 1 and 3, P 10, seeds 1..3; run ids 1 (M 1, seed 1), 2 (M 3,
// seed 1), 3, 4, 5, 6. Final Qs: M=1 8 9 7, M=3 6 5 6.5.
void WriteTinySeries(const std::string& file)
{
    SeriesPlan plan;
    plan.generations = {2};
    plan.mutants = {1, 3};
    plan.steps = {10};
    plan.firstSeed = 1;
    plan.repeat = 3;
    WriteSeries(file, plan,
                {{{{2, 1, 10}, 1}, {10, 8}},
                 {{{2, 1, 10}, 2}, {11, 9}},
                 {{{2, 1, 10}, 3}, {12, 7}},
                 {{{2, 3, 10}, 1}, {9, 6}},
                 {{{2, 3, 10}, 2}, {9, 5}},
                 {{{2, 3, 10}, 3}, {10, 6.5}}});
}

// Each number by hand:
// - final Q: M=3 5 6 6.5 (median 6) before M=1 7 8 9; M=3 has the most
//   mutants of the grid;
// - Friedman: M=3 ranks first on every seed, rank sums 3 and 6:
//   12/(2*3*3) * 45 - 27 = 3, p = P(chi2(1) > 3) = 0.0833;
// - M=1 - M=3 on the seeds: 2 4 0.5, all above 0: W = 0, exact p 2/8, A12 1,
//   median 2; a resample's median is one of 0.5 2 4, each end with the
//   chance 7/27, so the 2.5 % and 97.5 % points are 0.5 and 4;
// - best run of M=3 seed 2 (run 4), lower median seed 1 (run 2);
// - within 3 evaluations M=3 has its first generation (9 9 10), M=1 only 2
//   evaluations in all (short); the best runs are seed 1 and 2 (both 9);
// - targets: all final Qs 5 6 6.5 7 8 9, median 6.75 down to the best 5 in
//   four steps; M=3 reaches 6.75 in all three runs at 6 evaluations (ERT
//   18 / 3), 6.3125 in two (18 / 2), the others only with seed 2 (18 / 1).
const char* const kTinyReport = R"(Series s.sqlite: 1 plan, 2 settings; runs: 6 done

Final Q: each run after its last generation
setting       runs  evaluations      best        q1    median        q3     worst  vs best
G=2 M=3 P=10     3            6  5.000000  5.500000  6.000000  6.250000  6.500000  best
G=2 M=1 P=10     3            2  7.000000  7.500000  8.000000  8.500000  9.000000  same
warning: the best setting has the largest mutant count of the grid (M=3): a larger one may be better still
Friedman test over 2 settings on the 3 seeds they all ran: chi2 = 3.000000, 1 degrees of freedom, p = 0.0833
Against the best, G=2 M=3 P=10, on the seeds both ran: Wilcoxon signed-rank (pairs with no difference left out), Holm over 1 test, alpha 0.050; A12: the chance that the best's run ends lower; bootstrap interval of the median difference (2000 resamples, seed 1)
setting       pairs  zeros    W  test        p  Holm p    A12  median diff  95% interval
G=2 M=1 P=10      3      0  0.0  exact  0.2500  0.2500  1.000    +2.000000  +0.500000 .. +4.000000
best run:   zarudiv-run --generations 2 --mutants 3 --step 10 --seed 2 --save   (run 4, Q 5.000000)
median run: zarudiv-run --generations 2 --mutants 3 --step 10 --seed 1 --save   (run 2, Q 6.000000)

Best Q within 3 evaluations: each run after the generations that fit
setting       runs  evaluations      best        q1    median        q3      worst  vs best
G=2 M=3 P=10     3            3  9.000000  9.000000  9.000000  9.500000  10.000000  best
G=2 M=1 P=10     3            2  7.000000  7.500000  8.000000  8.500000   9.000000  short: runs end before the budget
no omnibus test: it needs two settings with two runs or more
best run:   zarudiv-run --generations 2 --mutants 3 --step 10 --seed 1 --save   (run 2, Q 9.000000)
median run: zarudiv-run --generations 2 --mutants 3 --step 10 --seed 2 --save   (run 4, Q 9.000000)

Fixed targets: evaluations until a run's best Q is at most the target; ERT: the evaluations of all runs, each until it reached the target or ended, per run that reached it; targets from the median final Q of all runs down to the best
target Q <= 6.750000
setting       reached  ERT  median evals
G=2 M=3 P=10      3/3  6.0           6.0
G=2 M=1 P=10      0/3  inf             -
target Q <= 6.312500
setting       reached  ERT  median evals
G=2 M=3 P=10      2/3  9.0           6.0
G=2 M=1 P=10      0/3  inf             -
target Q <= 5.875000
setting       reached   ERT  median evals
G=2 M=3 P=10      1/3  18.0           6.0
G=2 M=1 P=10      0/3   inf             -
target Q <= 5.437500
setting       reached   ERT  median evals
G=2 M=3 P=10      1/3  18.0           6.0
G=2 M=1 P=10      0/3   inf             -
target Q <= 5.000000
setting       reached   ERT  median evals
G=2 M=3 P=10      1/3  18.0           6.0
G=2 M=1 P=10      0/3   inf             -
)";

std::string Report(const std::string& args) { return std::string("report ") + args; }

TEST(ReportTest, TheTablesAreWhatTheValuesGiveByHand)
{
    TempDir dir;
    WriteTinySeries(dir.file("s.sqlite"));
    const auto run = RunProgram(dir, ZARUDIV_SERIES, Report("--db s.sqlite --budget 3"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, kTinyReport);
    EXPECT_EQ(run.err, "");
}

std::vector<std::string> FilesBelow(const std::filesystem::path& dir)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(std::filesystem::relative(entry.path(), dir).string());
    // The database's own files, and the program's stdout and stderr.
    std::erase_if(files, [](const std::string& file) {
        return file.rfind("s.sqlite", 0) == 0 || file.rfind("std", 0) == 0;
    });
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ReportTest, EveryOutputIsWrittenAndTheSameEveryTime)
{
    TempDir dir;
    WriteTinySeries(dir.file("s.sqlite"));
    const std::string outputs = " --budget 3 --csv csv --plots plots --html report.html --export-ioh ioh";
    // Two runs, each in a directory of its own with a copy of the database.
    TempDir a, b;
    for (const TempDir* out : {&a, &b}) {
        std::filesystem::copy_file(dir.file("s.sqlite"), out->file("s.sqlite"));
        const auto run = RunProgram(*out, ZARUDIV_SERIES, Report("--db s.sqlite") + outputs);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, kTinyReport);
    }
    const std::vector<std::string> files = FilesBelow(a.path());
    EXPECT_EQ(files, FilesBelow(b.path()));
    EXPECT_EQ(files, (std::vector<std::string>{
                         "csv/budget-3.csv", "csv/final-q.csv", "csv/omnibus.csv", "csv/runs.csv",
                         "csv/targets.csv", "ioh/G2_M1_P10/IOHprofiler_f1_diffusion.info",
                         "ioh/G2_M1_P10/data_f1_diffusion/IOHprofiler_f1_DIM40.dat",
                         "ioh/G2_M3_P10/IOHprofiler_f1_diffusion.info",
                         "ioh/G2_M3_P10/data_f1_diffusion/IOHprofiler_f1_DIM40.dat",
                         "plots/budget-3.png", "plots/budget-3.svg", "plots/convergence.png",
                         "plots/convergence.svg", "plots/ecdf.png", "plots/ecdf.svg",
                         "plots/final-q.png", "plots/final-q.svg", "report.html"}));
    for (const std::string& file : files)
        EXPECT_EQ(ReadBytes(a.file(file)), ReadBytes(b.file(file))) << file;

    // The runs with their values, and IOHprofiler's layout: the run's final
    // Q after its evaluations, its improvements one row each.
    EXPECT_EQ(ReadBytes(a.file("csv/runs.csv")),
              "run_id,generations,mutants,step_ppm,seed,final_q,best_generation,q_within_3,"
              "evaluations_to_target_1,evaluations_to_target_2,evaluations_to_target_3,"
              "evaluations_to_target_4,evaluations_to_target_5\n"
              "1,2,1,10,1,8,2,8,,,,,\n3,2,1,10,2,9,2,9,,,,,\n5,2,1,10,3,7,2,7,,,,,\n"
              "2,2,3,10,1,6,2,9,6,6,,,\n4,2,3,10,2,5,2,9,6,6,6,6,6\n6,2,3,10,3,6.5,2,10,6,,,,\n");
    EXPECT_EQ(ReadBytes(a.file("ioh/G2_M3_P10/IOHprofiler_f1_diffusion.info")),
              "suite = 'zarudiv', funcId = 1, funcName = 'diffusion', DIM = 40, maximization = 'F', "
              "algId = 'G=2 M=3 P=10', algInfo = 'zarudiv-series: 3 runs of seeds 1..3'\n%\n"
              "data_f1_diffusion/IOHprofiler_f1_DIM40.dat, 1:6|6, 1:6|5, 1:6|6.5\n");
    EXPECT_EQ(ReadBytes(a.file("ioh/G2_M3_P10/data_f1_diffusion/IOHprofiler_f1_DIM40.dat")),
              "\"function evaluation\" \"best-so-far f(x)\"\n3 9\n6 6\n"
              "\"function evaluation\" \"best-so-far f(x)\"\n3 9\n6 5\n"
              "\"function evaluation\" \"best-so-far f(x)\"\n3 10\n6 6.5\n");

    // The page: the tables, every picture inline, the replay commands.
    const std::string html = ReadBytes(a.file("report.html"));
    for (const char* text :
         {"<td class=\"l\">G=2 M=1 P=10</td><td>3</td><td>2</td><td>7.000000</td>",
          "zarudiv-run --generations 2 --mutants 3 --step 10 --seed 2 --save",
          "Friedman test over 2 settings", "seed 1.", "<td>+0.500000 .. +4.000000</td>",
          "zarudiv-series --test"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
    std::size_t pictures = 0;
    for (std::size_t at = 0; (at = html.find("src=\"data:image/svg+xml;base64,", at)) != std::string::npos; ++at)
        ++pictures;
    EXPECT_EQ(pictures, 4u);
    EXPECT_EQ(ReadBytes(a.file("plots/ecdf.png")).substr(1, 3), "PNG");
    EXPECT_NE(ReadBytes(a.file("plots/ecdf.svg")).find("<svg"), std::string::npos);
}

TEST(ReportTest, BadInputEndsWithTwoAndSaysWhat)
{
    TempDir dir;
    WriteTinySeries(dir.file("s.sqlite"));
    {
        SQLite::Database other(dir.file("other.sqlite"), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other.exec("CREATE TABLE t(x)");
    }
    SeriesPlan plan;
    plan.generations = {2};
    plan.mutants = {1};
    plan.steps = {10};
    plan.repeat = 2;
    WriteSeries(dir.file("none-done.sqlite"), plan, {});
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"--db other.sqlite", "--db other.sqlite: an SQLite database of another program, not a series database"},
        {"--db missing.sqlite", "--db missing.sqlite: No such file or directory"},
        {"--db none-done.sqlite",
         "the database holds no done run yet: there is nothing to analyse (--db none-done.sqlite)"},
        {"--db s.sqlite --budget 7",
         "--budget 7: every run ends before that many evaluations (the longest spend 6); give at most 6"},
        {"--db s.sqlite --budget 2000000", "--budget needs a comma-separated list of whole numbers from 1 to 1000000"},
        {"--db s.sqlite --targets 6,-1", "--targets needs a comma-separated list of at most 100 numbers, each from 0"},
        {"--db s.sqlite --targets 6,6.0", "--targets lists 6.0 twice"},
        {"--db s.sqlite --alpha 1", "--alpha needs a number greater than 0 and less than 1 (got \"1\")"},
        {"--db s.sqlite --x time", "--x needs generations or evaluations (got \"time\")"},
        {"--db s.sqlite --html s.sqlite", "--db s.sqlite and --html s.sqlite name the same file"},
        {"--db s.sqlite --html ./s.sqlite-wal", "the -wal file of --db s.sqlite and --html ./s.sqlite-wal name the same file"},
        {"--db s.sqlite --seed 1", "unknown option \"--seed\" (see --help)"},
    };
    for (const auto& c : cases) {
        const auto run = RunProgram(dir, ZARUDIV_SERIES, Report(c.args));
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_NE(run.err.find("zarudiv-series report: " + c.message), std::string::npos)
            << c.args << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.args;
    }
}

TEST(ReportTest, OneRunPerSettingIsReportedWithoutTests)
{
    TempDir dir;
    SeriesPlan plan;
    plan.generations = {2};
    plan.mutants = {1, 3};
    plan.steps = {10};
    plan.firstSeed = 4;
    plan.repeat = 1;
    WriteSeries(dir.file("s.sqlite"), plan, {{{{2, 1, 10}, 4}, {3, 2}}, {{{2, 3, 10}, 4}, {3, 1}}});
    const auto run = RunProgram(dir, ZARUDIV_SERIES, Report("--db s.sqlite --plots p"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("no omnibus test: it needs two settings with two runs or more\n"
                           "no setting is compared with the best: the best has one run only\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(std::filesystem::exists(dir.file("p/convergence.svg")));
}

TEST(ReportTest, AnOutputThatCannotBeWrittenFailsBeforeAnyIsWritten)
{
    TempDir dir;
    WriteTinySeries(dir.file("s.sqlite"));
    std::ofstream(dir.file("taken")) << "a file where a directory should be";
    const auto run = RunProgram(dir, ZARUDIV_SERIES, Report("--db s.sqlite --html r.html --csv taken"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("zarudiv-series report: --csv taken: "), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("r.html")));
}

TEST(ReportTest, HelpListsTheOptionsAndTheExitCodes)
{
    TempDir dir;
    const auto run = RunProgram(dir, ZARUDIV_SERIES, "report --help");
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text : {"--budget E[,E...]", "--targets Q[,Q...]", "--export-ioh DIR",
                             "--bootstrap-seed S", "Exit codes", "2  bad options"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    // The series' own help points to it.
    EXPECT_NE(RunProgram(dir, ZARUDIV_SERIES, "--help").out.find("zarudiv-series report --help"),
              std::string::npos);
}

}  // namespace
