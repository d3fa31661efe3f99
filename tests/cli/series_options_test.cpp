#include <gtest/gtest.h>

#include <QString>

#include "cli/series_command.h"
#include "cli/series_options.h"
#include "tests/support/process.h"

namespace {

using zarudiv::ParseSeriesOptions;

TEST(SeriesOptionsTest, ListsBecomeThePlanInTheOrderGiven)
{
    const auto parsed = ParseSeriesOptions({"--generations", "10000,1", "--mutants", "100", "--step",
                                            "1000,1,500", "--repeat", "100000", "--seed", "4294967295",
                                            "--threads", "3", "--db", "x.sqlite", "--csv", "t.csv"});
    ASSERT_EQ(parsed.error, "");
    const zarudiv::SeriesPlan plan = parsed.options.plan(*parsed.options.seed);
    EXPECT_EQ(plan.generations, (std::vector<int>{10000, 1}));
    EXPECT_EQ(plan.steps, (std::vector<int>{1000, 1, 500}));
    EXPECT_EQ(plan.runCount(), 600000u);
    EXPECT_EQ(plan.firstSeed, 4294967295u);
    EXPECT_EQ(parsed.options.threads, 3u);
    EXPECT_EQ(parsed.options.db, "x.sqlite");
    EXPECT_EQ(parsed.options.csvFile, "t.csv");
    EXPECT_FALSE(parsed.options.protocolsDir);

    const auto defaults = ParseSeriesOptions({"--generations", "5", "--mutants", "2", "--step", "3",
                                              "--repeat", "1"});
    ASSERT_EQ(defaults.error, "");
    EXPECT_EQ(defaults.options.db, "series.sqlite");
    EXPECT_EQ(defaults.options.threads, 0u);
    EXPECT_FALSE(defaults.options.seed);
}

// Rank 0 runs campaigns in small jobs and only coordinates in large ones,
// unless told; a process alone always runs its own.
TEST(SeriesOptionsTest, Rank0RunsCampaignsUpToSixteenProcessesUnlessTold)
{
    const auto with = [](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--generations", "5", "--mutants", "2", "--step", "3",
                                         "--repeat", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto parsed = ParseSeriesOptions(args);
        EXPECT_EQ(parsed.error, "");
        return parsed.options;
    };
    const zarudiv::SeriesOptions automatic = with({});
    EXPECT_TRUE(automatic.rank0RunsCampaigns(1));
    EXPECT_TRUE(automatic.rank0RunsCampaigns(16));
    EXPECT_FALSE(automatic.rank0RunsCampaigns(17));
    EXPECT_TRUE(with({"--rank0-computes", "yes"}).rank0RunsCampaigns(1000));
    EXPECT_FALSE(with({"--rank0-computes", "no"}).rank0RunsCampaigns(2));
    EXPECT_TRUE(with({"--rank0-computes", "no"}).rank0RunsCampaigns(1));
    EXPECT_FALSE(with({"--rank0-computes", "auto"}).rank0RunsCampaigns(64));
}

TEST(SeriesOptionsTest, BadOptionsNameTheOptionAndWhatItNeeds)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<std::string> rest = {"--mutants", "2", "--step", "3", "--repeat", "4"};
    auto with = [&](std::vector<std::string> front) {
        front.insert(front.end(), rest.begin(), rest.end());
        return front;
    };
    const std::string generations = "a comma-separated list of whole numbers from 1 to 10000";
    const std::vector<Case> cases = {
        {with({"--generations", ""}), "--generations needs " + generations},
        {with({"--generations"}), "--generations needs " + generations},
        {with({"--generations", ","}), "--generations needs " + generations + " (got \",\")"},
        {with({"--generations", "0"}), "--generations needs " + generations + " (got \"0\")"},
        {with({"--generations", "10001"}), "--generations needs " + generations + " (got \"10001\")"},
        {with({"--generations", "5, 6"}), "--generations needs " + generations + " (got \"5, 6\")"},
        {with({"--generations", "7,5,7"}), "--generations lists 7 twice"},
        {{"--generations", "5", "--mutants", "101", "--step", "3", "--repeat", "4"},
         "--mutants needs a comma-separated list of whole numbers from 1 to 100 (got \"101\")"},
        {{"--generations", "5", "--mutants", "2", "--step", "1001", "--repeat", "4"},
         "--step needs a comma-separated list of whole numbers from 1 to 1000 (got \"1001\")"},
        {{"--generations", "5", "--mutants", "2", "--step", "3", "--repeat", "100001"},
         "--repeat needs a whole number from 1 to 100000 (got \"100001\")"},
        {rest, "--generations is missing: give " + generations},
        {{"--generations", "5", "--mutants", "2", "--step", "3"},
         "--repeat is missing: give a whole number from 1 to 100000"},
        {with({"--generations", "5", "--threads", "0"}),
         "--threads needs a whole number from 1 to 256 (got \"0\")"},
        {with({"--generations", "5", "--db", ""}), "--db needs a file name"},
        {with({"--generations", "5", "--db", ":memory:"}),
         "--db :memory: is a name SQLite keeps for a database in memory, which keeps nothing; "
         "give a file name (./:memory: for a file of that name)"},
        {with({"--generations", "5", "--db", "file:s.sqlite?mode=memory"}),
         "--db file:s.sqlite?mode=memory is a name SQLite keeps for a URI; give a file name "
         "(./file:s.sqlite?mode=memory for a file of that name)"},
        {with({"--generations", "5", "--protocols"}), "--protocols needs a directory"},
        {with({"--generations", "5", "--save"}), "unknown option \"--save\" (see --help)"},
        {{"--generations", "1,2,3,4,5,6,7,8,9,10", "--mutants", "1,2,3,4,5,6,7,8,9,10", "--step",
          "1,2,3,4,5,6,7,8,9,10,11", "--repeat", "10000"},
         "the plan has 11000000 runs (1100 settings x --repeat 10000); a series takes at most "
         "10000000"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseSeriesOptions(c.args);
        EXPECT_EQ(parsed.error, c.error) << c.args.front() << " " << c.args[1];
    }
}

TEST(SeriesOptionsTest, ANameWithALeadingDashAndARepeatedOptionAreSaid)
{
    const std::vector<std::string> plan = {"--generations", "5", "--mutants", "2", "--step", "3",
                                           "--repeat", "4"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), plan.begin(), plan.end());
        return more;
    };
    EXPECT_EQ(ParseSeriesOptions(with({"--db", "-dash.sqlite"})).error,
              "--db needs a file name, and -dash.sqlite starts with a dash, which makes it an "
              "option: write --db=-dash.sqlite or --db ./-dash.sqlite");
    EXPECT_EQ(ParseSeriesOptions(with({"--plots", "-pics", "--csv", "t.csv"})).error,
              "--plots needs a directory, and -pics starts with a dash, which makes it an option: "
              "write --plots=-pics or --plots ./-pics");
    const auto dashed = ParseSeriesOptions(with({"--db=-dash.sqlite"}));
    EXPECT_EQ(dashed.error, "");
    EXPECT_EQ(dashed.options.db, "-dash.sqlite");
    // An option that follows is an option, not a name.
    EXPECT_EQ(ParseSeriesOptions(with({"--csv", "--threads", "2"})).error, "--csv needs a file name");

    const auto twice = ParseSeriesOptions(with({"--db", "a.sqlite", "--threads", "2", "--db",
                                                "b.sqlite", "--mutants", "7"}));
    EXPECT_EQ(twice.error, "");
    EXPECT_EQ(twice.options.db, "b.sqlite");
    EXPECT_EQ(twice.warnings, (std::vector<std::string>{
                                  "--mutants is given 2 times; the last, 7, is taken",
                                  "--db is given 2 times; the last, b.sqlite, is taken"}));
    EXPECT_TRUE(ParseSeriesOptions(plan).warnings.empty());
}

std::string CommandLineOf(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    return zarudiv::ShellCommandLine(static_cast<int>(argv.size()), argv.data());
}

// The command line the plans table keeps is UTF-8 text, and bash takes it
// back as the very arguments, bytes that are not UTF-8 included.
TEST(SeriesOptionsTest, TheStoredCommandLineIsTextThatGivesBackTheArguments)
{
    const std::vector<std::vector<std::string>> lines = {
        {"zarudiv-series", "--db", "s.sqlite"},
        {"zarudiv-series", "--csv", "a b.csv", "--plots", "it's"},
        {"zarudiv-series", "--csv", "Ergebnisse-\xC3\xA4.csv"},
        {"zarudiv-series", "--csv", "t\xFF.csv", "--db", "\xC3"},
        {"zarudiv-series", "--plots", "\xED\xA0\x80-surrogate", "--db", "\xC0\xAF", ""},
        {"zarudiv-series", "--csv", "'\xF4\x90\x80\x80'"},
    };
    zarudiv::testing::TempDir dir;
    for (const std::vector<std::string>& args : lines) {
        const std::string line = CommandLineOf(args);
        SCOPED_TRACE(line);
        EXPECT_EQ(QString::fromUtf8(line).toStdString(), line) << "not UTF-8";
        const zarudiv::testing::ProcessResult back = zarudiv::testing::RunProcess(
            dir, "bash -c " + zarudiv::testing::Quote("printf '%s\\0' " + line));
        std::string expected;
        for (const std::string& arg : args)
            expected += arg + '\0';
        EXPECT_EQ(back.out, expected);
    }
    EXPECT_EQ(CommandLineOf({"s", "--csv", "t\xFF.csv", "ok"}), "s --csv 't'$'\\xff''.csv' ok");
}

TEST(SeriesOptionsTest, HelpListsTheExitCodes)
{
    const auto parsed = ParseSeriesOptions({"--help"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.help);
    const std::string usage = zarudiv::SeriesUsage();
    for (const char* text : {"--generations G[,G...]", "--protocols DIR", "Exit codes",
                             "3  another series is using the database"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
}

}  // namespace
