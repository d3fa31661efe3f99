// The evolved law through the programs as a user runs them: taken out of a
// campaign (the runner's --law-out, the series' export-law), put back in
// (--evaluate, --start-law), and refused when its file cannot be used.

#include <gtest/gtest.h>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "edge/exact_real.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::testing::ReadBytes;
using zarudiv::testing::RunProgram;
using zarudiv::testing::RunResult;
using zarudiv::testing::TempDir;

// The value of the first line of text that starts with key and a blank.
std::string ValueAfter(const std::string& text, const std::string& key)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + " ", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

// The best Q of the log's last row (17 significant digits, as --evaluate prints).
std::string LastLoggedQ(const std::string& log)
{
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    std::vector<std::string> fields;
    std::istringstream in(last);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields.size() == 5 ? fields[2] : std::string();
}

TEST(LawCommandsTest, TheRunnersLawEvaluatesToItsQAndDrawsItsPictures)
{
    for (const char* setting : {"--generations 40 --mutants 10 --step 500 --seed 42",
                                "--generations 15 --mutants 40 --step 1000 --seed 7",
                                "--generations 90 --mutants 2 --step 30 --seed 4294967295"}) {
        TempDir dir;
        const RunResult run = RunProgram(
            dir, ZARUDIV_RUN, std::string(setting) + " --law-out best.law --log log.csv --plots campaign");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const RunResult evaluated = RunProgram(dir, ZARUDIV_RUN, "--evaluate best.law --plots law");
        ASSERT_EQ(evaluated.exitCode, 0) << evaluated.err;
        EXPECT_EQ(evaluated.err, "");
        const std::string q = ValueAfter(evaluated.out, "q");
        ASSERT_FALSE(q.empty()) << evaluated.out;
        EXPECT_EQ(q, LastLoggedQ(ReadBytes(dir.file("log.csv")))) << setting;
        EXPECT_EQ(ValueAfter(ReadBytes(dir.file("best.law")), "q"), q);
        // The pictures of the final parent, as the campaign left them; a law
        // evaluated has no quality curve.
        for (const char* picture : {"Image2", "Image3", "Image4", "Image7", "Image8", "Image9", "Image10"})
            EXPECT_EQ(ReadBytes(dir.file(std::string("law/") + picture + ".png")),
                      ReadBytes(dir.file(std::string("campaign/") + picture + ".png")))
                << setting << ": " << picture;
        EXPECT_FALSE(std::filesystem::exists(dir.file("law/Image1.png")));
    }
}

TEST(LawCommandsTest, TheSeriesKeepsEachRunsLawExactly)
{
    TempDir dir;
    const RunResult series = RunProgram(dir, ZARUDIV_SERIES,
                                        "--generations 30 --mutants 5,20 --step 100,900 --repeat 1 "
                                        "--seed 11 --db s.sqlite --threads 2");
    ASSERT_EQ(series.exitCode, 0) << series.err;
    SQLite::Database db(dir.file("s.sqlite"));
    SQLite::Statement runs(db, "SELECT id, best_q, best_step FROM runs ORDER BY id");
    int checked = 0;
    while (runs.executeStep()) {
        const std::string id = std::to_string(runs.getColumn(0).getInt64());
        const RunResult exported =
            RunProgram(dir, ZARUDIV_SERIES, "export-law --db s.sqlite --run " + id + " --out r.law");
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        const RunResult evaluated = RunProgram(dir, ZARUDIV_RUN, "--evaluate r.law");
        ASSERT_EQ(evaluated.exitCode, 0) << evaluated.err;
        EXPECT_EQ(ValueAfter(evaluated.out, "q"), zarudiv::ExactReal(runs.getColumn(1).getDouble()))
            << "run " << id;
        // The step width column is the law's, as the rows store it.
        const std::string law = ReadBytes(dir.file("r.law"));
        const std::string step = ValueAfter(law, "step");
        EXPECT_EQ(zarudiv::ExactReal(static_cast<double>(std::strtold(step.substr(step.find(' ') + 1).c_str(), nullptr))),
                  zarudiv::ExactReal(runs.getColumn(2).getDouble()));
        ++checked;
    }
    EXPECT_EQ(checked, 4);
    // To stdout without --out; a run that is not there is bad input.
    const RunResult toStdout = RunProgram(dir, ZARUDIV_SERIES, "export-law --db s.sqlite --run 1");
    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_EQ(toStdout.out.rfind("zarudiv law 1\n", 0), 0u);
    const RunResult missing = RunProgram(dir, ZARUDIV_SERIES, "export-law --db s.sqlite --run 5");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("the database has no run 5"), std::string::npos) << missing.err;
}

TEST(LawCommandsTest, ACampaignStartsFromALawWithItsStepWidth)
{
    TempDir dir;
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, "--generations 30 --mutants 10 --step 700 --seed 3 --law-out a.law").exitCode, 0);
    const std::string common = "--generations 20 --mutants 6 --seed 5 --save --start-law a.law --protocol ";
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, common + "p1.doc").exitCode, 0);
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, common + "p2.doc").exitCode, 0);
    const std::string p1 = ReadBytes(dir.file("p1.doc"));
    const std::string p2 = ReadBytes(dir.file("p2.doc"));
    EXPECT_EQ(p1.substr(p1.find("\r\n")), p2.substr(p2.find("\r\n")));
    EXPECT_EQ(p1.find("Start-Schrittweite:0.0000007000"), std::string::npos);
}

TEST(LawCommandsTest, ALawFileThatCannotBeUsedStopsEverythingBeforeItStarts)
{
    TempDir dir;
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, "--generations 5 --mutants 3 --step 100 --seed 1 --law-out good.law").exitCode, 0);
    std::string edited = ReadBytes(dir.file("good.law"));
    edited.replace(edited.find("\nq "), 4, "\nq 9");
    {
        std::ofstream(dir.file("edited.law"), std::ios::binary) << edited;
        std::ofstream(dir.file("protocol.law"), std::ios::binary) << "##### QX++ Document #####\r\n";
    }
    struct Case {
        std::string args;
        std::string says;
    };
    for (const Case& c : {
             Case{"--evaluate edited.law --protocol out.doc --plots pics", "edited.law:47: the checksum does not match"},
             Case{"--evaluate protocol.law", "protocol.law:1: this is not a law file"},
             Case{"--evaluate missing.law", "missing.law: cannot be read"},
             Case{"--generations 5 --mutants 3 --seed 1 --save --start-law edited.law --protocol out.doc "
                  "--law-out out.law --log out.csv",
                  "--start-law edited.law:47: the checksum does not match"},
         }) {
        const RunResult run = RunProgram(dir, ZARUDIV_RUN, c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << "\n" << run.err;
        for (const char* output : {"out.doc", "out.law", "out.csv", "pics"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(output))) << c.args << ": " << output;
    }
}

}  // namespace
