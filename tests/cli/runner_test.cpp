// Runs the built zarudiv-run as a user or a script would.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::testing::ReadBytes;
using zarudiv::testing::RunResult;
using zarudiv::testing::TempDir;

RunResult RunRunner(const TempDir& dir, const std::string& args)
{
    return zarudiv::testing::RunProgram(dir, ZARUDIV_RUN, args);
}

TEST(RunnerTest, SameSeedGivesAnIdenticalFileAndOtherSeedsDiffer)
{
    TempDir dir;
    const std::string common = "--generations 5 --mutants 4 --step 700 --save --protocol ";
    ASSERT_EQ(RunRunner(dir, common + "a.doc --seed 17").exitCode, 0);
    ASSERT_EQ(RunRunner(dir, common + "b.doc --seed 17 --threads 1").exitCode, 0);
    ASSERT_EQ(RunRunner(dir, common + "c.doc --seed 18").exitCode, 0);
    const std::string a = ReadBytes(dir.file("a.doc"));
    const std::string b = ReadBytes(dir.file("b.doc"));
    const std::string c = ReadBytes(dir.file("c.doc"));
    // The first line names the file as given; the rest must match.
    EXPECT_EQ(a.substr(a.find("\r\n")), b.substr(b.find("\r\n")));
    EXPECT_NE(a.substr(a.find("\r\n")), c.substr(c.find("\r\n")));
    EXPECT_EQ(a.rfind("##### QX++ Document #####  BEGIN of Savefile: > a.doc < ######\r\n", 0), 0u);
}

TEST(RunnerTest, PicturesChangeNothingInTheGoldenProtocol)
{
    TempDir dir;
    const RunResult run = RunRunner(dir, "--generations 12 --mutants 10 --step 750 --seed 20261208 "
                                         "--save --protocol campaign-20261208.doc --plots pics");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("campaign-20261208.doc")),
              ReadBytes(ZARUDIV_GOLDEN_DIR "/campaign-20261208.doc"));
    struct Picture {
        const char* name;
        unsigned width, height;
    };
    // Each image area at its size in the window.
    for (const Picture& p : {Picture{"Image1", 225, 289}, Picture{"Image2", 153, 129},
                             Picture{"Image3", 169, 129}, Picture{"Image4", 169, 129},
                             Picture{"Image7", 153, 129}, Picture{"Image8", 225, 153},
                             Picture{"Image9", 217, 153}, Picture{"Image10", 217, 153}}) {
        const std::string png = ReadBytes(dir.file(std::string("pics/") + p.name + ".png"));
        ASSERT_GE(png.size(), 24u) << p.name;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << p.name;
        const auto big = [&](std::size_t at) {
            unsigned value = 0;
            for (std::size_t i = 0; i < 4; ++i)
                value = (value << 8) | static_cast<unsigned char>(png[at + i]);
            return value;
        };
        EXPECT_EQ(big(16), p.width) << p.name;
        EXPECT_EQ(big(20), p.height) << p.name;
    }
}

TEST(RunnerTest, WithSaveTheReportFollowsTheRowsForAnySeed)
{
    TempDir dir;
    for (const char* seed : {"1", "977", "4294967295"}) {
        const RunResult run = RunRunner(
            dir, std::string("--generations 7 --mutants 3 --step 1000 --save --protocol r.doc --seed ") +
                     seed);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<std::string> lines;
        const std::string bytes = ReadBytes(dir.file("r.doc"));
        for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(bytes.substr(at, end - at));
        ASSERT_EQ(lines.size(), 1u + 4 + 7 + 194 + 1) << seed;
        EXPECT_EQ(lines[11].substr(0, 6), "    7*") << seed;
        EXPECT_EQ(lines[12], "*") << seed;
        EXPECT_EQ(lines[13].substr(0, 12), "0.0000000000") << seed;
        EXPECT_EQ(lines[lines.size() - 2], "*   Ende der Integral und Mittelwerte ") << seed;
    }
}

TEST(RunnerTest, DefaultProtocolGoesIntoTheDriveDirectory)
{
    TempDir dir;
    const RunResult run = RunRunner(dir, "--generations 1 --mutants 1 --step 1 --seed 3");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string bytes = ReadBytes(dir.file("C:/QX_000_000.doc"));
    EXPECT_EQ(bytes,
              "##### QX++ Document #####  BEGIN of Savefile: > C:/QX_000_000.doc < ######\r\n"
              "##### QX++ Document #####  END of Savefile  ##########################\r\n");
    EXPECT_NE(run.out.find("seed 3:"), std::string::npos);
}

TEST(RunnerTest, WithoutASeedTheClockSeedIsPrintedAndRepeatable)
{
    TempDir dir;
    const RunResult first = RunRunner(dir, "--generations 2 --mutants 2 --step 50 --save --protocol x.doc");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string marker = "--seed ";
    const std::size_t at = first.err.find(marker);
    ASSERT_NE(at, std::string::npos) << first.err;
    const std::string seed =
        first.err.substr(at + marker.size(), first.err.find(')', at) - at - marker.size());
    const std::string original = ReadBytes(dir.file("x.doc"));
    ASSERT_EQ(RunRunner(dir, "--generations 2 --mutants 2 --step 50 --save --protocol x.doc "
                             "--seed " + seed)
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes(dir.file("x.doc")), original);
}

TEST(RunnerTest, BadOptionsExitWithTwoAndAClearMessage)
{
    TempDir dir;
    const RunResult run = RunRunner(dir, "--generations 1 --mutants 101 --step 1");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "zarudiv-run: --mutants needs a whole number from 0 to 100 (got \"101\")\n");
    EXPECT_EQ(RunRunner(dir, "--bogus").exitCode, 2);
    const RunResult help = RunRunner(dir, "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos);
}

TEST(RunnerTest, AnUnwritableProtocolExitsWithOneAndTheGermanMessage)
{
    TempDir dir;
    const RunResult run =
        RunRunner(dir, "--generations 1 --mutants 1 --step 1 --seed 1 --protocol missing/p.doc");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zarudiv-run: missing/p.doc: Pfad nicht gefunden\n");
    const RunResult full = RunRunner(dir, "--generations 1 --mutants 1 --step 1 --seed 1 --save "
                                    "--protocol /dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "zarudiv-run: /dev/full: Festplatte voll\n");
}

std::vector<std::string> Lines(const std::string& text, const std::string& end)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
        lines.push_back(text.substr(at, next - at));
    return lines;
}

std::vector<std::string> Fields(const std::string& row, char separator)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (std::size_t next; (next = row.find(separator, at)) != std::string::npos; at = next + 1)
        fields.push_back(row.substr(at, next - at));
    fields.push_back(row.substr(at));
    return fields;
}

TEST(RunnerTest, TheLogHasTheProtocolsRowsAtFullPrecision)
{
    TempDir dir;
    const RunResult run = RunRunner(dir, "--generations 9 --mutants 6 --step 800 --seed 5 --save "
                                         "--protocol p.doc --log g.csv");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> log = Lines(ReadBytes(dir.file("g.csv")), "\n");
    const std::vector<std::string> protocol = Lines(ReadBytes(dir.file("p.doc")), "\r\n");
    ASSERT_EQ(log.size(), 1u + 9);
    EXPECT_EQ(log[0], "generation,evaluations,best_q,step_width,accepted");
    int acceptedRows = 0;
    for (int g = 1; g <= 9; ++g) {
        const std::vector<std::string> fields = Fields(log[static_cast<std::size_t>(g)], ',');
        ASSERT_EQ(fields.size(), 5u) << g;
        // The protocol's row shows the same generation, count, Q and step
        // width, rounded to its ten decimals.
        const std::vector<std::string> row = Fields(protocol[static_cast<std::size_t>(4 + g)], '*');
        char q[64], step[64];
        std::snprintf(q, sizeof q, "%.10f", std::strtod(fields[2].c_str(), nullptr));
        std::snprintf(step, sizeof step, "%.10f", std::strtod(fields[3].c_str(), nullptr));
        EXPECT_EQ(std::stoi(row[0]), g);
        EXPECT_EQ(fields[0], std::to_string(g));
        EXPECT_EQ(fields[1], std::to_string(6 * g));
        EXPECT_EQ(std::stol(row[1]), 6 * g);
        EXPECT_NE(row[2].find(q), std::string::npos) << row[2] << " vs " << fields[2];
        EXPECT_NE(row[3].find(step), std::string::npos) << row[3] << " vs " << fields[3];
        const int accepted = std::stoi(fields[4]);
        EXPECT_GE(accepted, 0);
        EXPECT_LE(accepted, 6);
        acceptedRows += accepted > 0;
    }
    EXPECT_GT(acceptedRows, 0);
}

TEST(RunnerTest, AnUnwritableLogExitsWithOneAndNamesTheFile)
{
    TempDir dir;
    const RunResult missing =
        RunRunner(dir, "--generations 2 --mutants 2 --step 9 --seed 1 --protocol p.doc --log no/g.csv");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err,
              "zarudiv-run: --log no/g.csv: cannot create the file: No such file or directory\n");
    const RunResult full =
        RunRunner(dir, "--generations 2 --mutants 2 --step 9 --seed 1 --protocol p.doc --log /dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "zarudiv-run: --log /dev/full: cannot write the file: No space left on device\n");
    EXPECT_EQ(full.out, "");
}

}  // namespace
