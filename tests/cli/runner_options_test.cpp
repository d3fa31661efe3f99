#include <gtest/gtest.h>

#include "cli/runner_options.h"

namespace {

using zarudiv::ParseRunnerOptions;

TEST(RunnerOptionsTest, ScrollBarPositionsBecomeTheWindowsParameters)
{
    const auto parsed = ParseRunnerOptions({"--generations", "10000", "--mutants", "100", "--step",
                                            "1", "--seed", "4294967295", "--save"});
    ASSERT_EQ(parsed.error, "");
    const zarudiv::Campaign c = parsed.options.campaign(*parsed.options.seed);
    EXPECT_EQ(c.generations, 10000);
    EXPECT_EQ(c.mutants, 100);
    // The window divides the position by 10^9 in extended precision.
    EXPECT_EQ(c.startStep(), 1.0L / 1000000000.0L);
    EXPECT_TRUE(c.save);
    EXPECT_EQ(c.seed, 4294967295u);
    // The value prints back as the options it came from.
    EXPECT_EQ(zarudiv::RunnerArguments(c),
              "--generations 10000 --mutants 100 --step 1 --seed 4294967295 --save");
    EXPECT_EQ(parsed.options.protocol, "C:/QX_000_000.doc");
    EXPECT_EQ(parsed.options.threads, 0u);
}

TEST(RunnerOptionsTest, ZeroMeansTheScrollBarWasNeverMoved)
{
    const auto parsed = ParseRunnerOptions({"--generations", "0", "--mutants", "0", "--step", "0"});
    ASSERT_EQ(parsed.error, "");
    const zarudiv::Campaign c = parsed.options.campaign(7u);
    EXPECT_EQ(c.generations, 0);
    EXPECT_EQ(c.startStep(), 0.0L);
    EXPECT_FALSE(c.save);
    EXPECT_FALSE(parsed.options.seed.has_value());
}

TEST(RunnerOptionsTest, BadOptionsNameTheOptionAndItsRange)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<std::string> base = {"--generations", "1", "--mutants", "1", "--step", "1"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const std::vector<Case> cases = {
        {{"--generations", "10001", "--mutants", "1", "--step", "1"},
         "--generations needs a whole number from 0 to 10000 (got \"10001\")"},
        {{"--generations", "1", "--mutants", "-1", "--step", "1"},
         "--mutants needs a whole number from 0 to 100 (got \"-1\")"},
        {{"--generations", "1", "--mutants", "1", "--step", "12x"},
         "--step needs a whole number from 0 to 1000 (got \"12x\")"},
        {with({"--seed", "4294967296"}),
         "--seed needs a whole number from 0 to 4294967295 (got \"4294967296\")"},
        {with({"--threads", "0"}), "--threads needs a whole number from 1 to 256 (got \"0\")"},
        {with({"--seed"}), "--seed needs a whole number from 0 to 4294967295"},
        {with({"--protocol"}), "--protocol needs a file name"},
        {with({"--fast"}), "unknown option \"--fast\" (see --help)"},
        // A longer name would be cut to 250 characters and write another file.
        {with({"--protocol", std::string(251, 'x')}),
         "--protocol needs a file name of at most 250 characters"},
        {with({"--plots", std::string(251, 'd')}),
         "--plots needs a directory of at most 250 characters"},
        // A line break would split the protocol's first line.
        {with({"--protocol", "a\nb.doc"}),
         "--protocol needs a file name without control characters (line breaks, tabs)"},
        {with({"--plots", "pics\t"}),
         "--plots needs a directory without control characters (line breaks, tabs)"},
        {{"--mutants", "1", "--step", "1"},
         "--generations is missing: give a whole number from 0 to 10000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseRunnerOptions(c.args).error, c.error);
    // 250 characters are kept whole, counted as characters, not bytes.
    std::string umlauts;
    for (int i = 0; i < 250; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(ParseRunnerOptions(with({"--protocol", umlauts})).error, "");
}

TEST(RunnerOptionsTest, HelpNeedsNothingElseAndListsTheExitCodes)
{
    const auto parsed = ParseRunnerOptions({"--help"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.help);
    const std::string usage = zarudiv::RunnerUsage();
    for (const char* word : {"--generations", "--mutants", "--step", "--seed", "--save",
                             "--protocol", "--threads", "--plots", "Exit codes", "  2  bad options"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
