// The series from request to result, in the core alone (this executable links
// neither Qt nor MPI): what it stores and hands back, and how it ends when
// outputs clash or a picture cannot be written.

#include <gtest/gtest.h>

#include <filesystem>

#include "series/run_campaign.h"
#include "series/series_run.h"
#include "tests/series/series_dump.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::RunSeries;
using zarudiv::SeriesEnd;
using zarudiv::SeriesHooks;
using zarudiv::SeriesRequest;
using zarudiv::testing::DumpSeries;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

SeriesRequest SmallSeries(const TempDir& dir, const std::string& db, unsigned threads)
{
    SeriesRequest request;
    request.db = dir.file(db);
    request.plan.generations = {12};
    request.plan.mutants = {2, 5};
    request.plan.steps = {4000};
    request.plan.firstSeed = 31;
    request.plan.repeat = 3;
    request.commandLine = "zarudiv-series --generations 12 --mutants 2,5 --steps 4000 --repeat 3";
    request.version = "test";
    request.host = "here";
    request.threads = threads;
    return request;
}

TEST(SeriesRunTest, StoresThePlanOnceAndHandsBackItsSummary)
{
    TempDir dir;
    SeriesHooks hooks;
    const SeriesRequest one = SmallSeries(dir, "one.sqlite", 1);
    const zarudiv::SeriesResult first = RunSeries(one, hooks);
    ASSERT_EQ(first.end, SeriesEnd::Done) << first.detail;
    EXPECT_EQ(first.runCount, 6u);
    EXPECT_EQ(first.doneBefore, 0u);
    EXPECT_EQ(first.report.stored, 6u);
    ASSERT_EQ(first.summaries.size(), 2u);
    for (const auto& summary : first.summaries)
        EXPECT_EQ(summary.runs, 3u);

    // Started again, the series finds everything done and summarises the same.
    const zarudiv::SeriesResult again = RunSeries(one, hooks);
    ASSERT_EQ(again.end, SeriesEnd::Done) << again.detail;
    EXPECT_EQ(again.doneBefore, 6u);
    EXPECT_EQ(again.report.stored, 0u);
    ASSERT_EQ(again.summaries.size(), 2u);
    EXPECT_EQ(again.summaries[1].finalQ.median, first.summaries[1].finalQ.median);

    // Two threads store what one thread stored.
    const SeriesRequest two = SmallSeries(dir, "two.sqlite", 2);
    ASSERT_EQ(RunSeries(two, hooks).end, SeriesEnd::Done);
    EXPECT_EQ(DumpSeries(two.db), DumpSeries(one.db));
}

TEST(SeriesRunTest, OutputsThatAreOneFileEndItBeforeTheDatabaseExists)
{
    TempDir dir;
    SeriesHooks hooks;
    SeriesRequest request = SmallSeries(dir, "s.sqlite", 1);
    request.csvFile = request.db + "-wal";
    const zarudiv::SeriesResult result = RunSeries(request, hooks);
    EXPECT_EQ(result.end, SeriesEnd::OutputsClash);
    EXPECT_NE(result.detail.find("--csv"), std::string::npos) << result.detail;
    EXPECT_FALSE(std::filesystem::exists(request.db));
}

TEST(SeriesRunTest, APictureThatCannotBeWrittenLeavesTheRunsAndTheCsv)
{
    TempDir dir;
    SeriesHooks hooks;
    std::string drawnInto;
    hooks.pictureFiles = {"a.png"};
    hooks.writePictures = [&](const std::string& to, zarudiv::SeriesStore&, const zarudiv::SeriesPlan&,
                              const std::vector<zarudiv::SettingSummary>& summaries) {
        drawnInto = to;
        return summaries.size() == 2 ? std::string("no room") : std::string("wrong summaries");
    };
    int reportedRuns = -1;
    hooks.runsEnded = [&](const zarudiv::SeriesReport& report) {
        reportedRuns = static_cast<int>(report.stored);
    };
    SeriesRequest request = SmallSeries(dir, "s.sqlite", 2);
    request.csvFile = dir.file("s.csv");
    request.plotsDir = dir.file("plots");
    const zarudiv::SeriesResult result = RunSeries(request, hooks);
    EXPECT_EQ(result.end, SeriesEnd::Written);
    EXPECT_EQ(reportedRuns, 6);
    EXPECT_EQ(drawnInto, *request.plotsDir);
    ASSERT_EQ(result.outputProblems.size(), 1u);
    EXPECT_EQ(result.outputProblems[0], "--plots " + *request.plotsDir + ": no room");
    EXPECT_NE(ReadBytes(*request.csvFile).find("generations"), std::string::npos);
    EXPECT_EQ(zarudiv::testing::CountRows(request.db, "runs", "status = 'done'"), 6);
}

// The protocol's hash leaves out its first line (the file name and the
// date); the rest is hashed as SHA-256: here the standard's "abc" vector.
TEST(SeriesRunTest, TheProtocolHashIsSha256OfAllButTheFirstLine)
{
    EXPECT_EQ(zarudiv::ProtocolSha256("QX_000_000.doc 9.12.2026\r\nabc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(zarudiv::ProtocolSha256("only a first line"),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
