// A series as a process, watched from outside while it runs: its runs in
// flight in the database, and its progress in a log file.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <signal.h>
#include <sstream>
#include <thread>

#include "tests/series/series_dump.h"
#include "tests/support/process.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::CountRows;
using zarudiv::testing::ProcessResult;
using zarudiv::testing::Quote;
using zarudiv::testing::TempDir;

// Runs of about a second each.
const std::string kPlan = "--generations 200 --mutants 20 --step 10 --seed 3 --threads 2";

// What a reader saw of the runs in flight while the series ran.
struct Watched {
    std::int64_t mostRunning = 0;
    bool allDescribed = true;  // every running row had its start and host
    bool sawGeneration = false;
};

Watched WatchUntilEnd(const BackgroundProcess& series, const std::string& db)
{
    Watched seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (series.running() && std::chrono::steady_clock::now() < deadline) {
        const std::int64_t running = CountRows(db, "runs", "status = 'running'");
        seen.mostRunning = std::max(seen.mostRunning, running);
        if (CountRows(db, "runs",
                      "status = 'running' AND (started NOT GLOB "
                      "'20[0-9][0-9]-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-6][0-9]Z' "
                      "OR host IS NULL OR host = '')") > 0)
            seen.allDescribed = false;
        if (CountRows(db, "runs",
                      "status = 'running' AND current_generation BETWEEN 1 AND 200 AND "
                      "current_best_q > 0") > 0)
            seen.sawGeneration = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return seen;
}

void AwaitRunning(const BackgroundProcess& series, const std::string& db)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (series.running() && std::chrono::steady_clock::now() < deadline &&
           CountRows(db, "runs", "status = 'running'") == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(LiveRowsTest, ARunningSeriesShowsItsRunsInFlightAndWritesProgressLinesIntoALog)
{
    TempDir dir;
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess series(dir, Quote(ZARUDIV_SERIES) + " " + kPlan +
                                      " --repeat 6 --db s.sqlite --progress always "
                                      "--progress-every 1");
    ASSERT_TRUE(series.started());
    const Watched seen = WatchUntilEnd(series, db);
    const ProcessResult ended = series.wait();
    ASSERT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_EQ(seen.mostRunning, 2);
    EXPECT_TRUE(seen.allDescribed);
    EXPECT_TRUE(seen.sawGeneration);
    EXPECT_EQ(CountRows(db, "runs", "status = 'done'"), 6);
    EXPECT_EQ(CountRows(db, "runs", "status <> 'done' OR current_generation IS NOT NULL"), 0);

    // stderr is a file: a line a second, and a last one at the end.
    const std::regex line("runs [0-6] of 6 done, [0-2] running, 0 failed, 0:[0-9][0-9] elapsed, "
                          "(estimating the time left|about [0-9]+:[0-9][0-9] left)"
                          "(, best Q [0-9.]+)?");
    std::istringstream lines(ended.err);
    std::string text;
    std::vector<std::string> progress;
    while (std::getline(lines, text))
        if (text.starts_with("runs "))
            progress.push_back(text);
    ASSERT_GE(progress.size(), 3u) << ended.err;
    for (const std::string& each : progress) {
        EXPECT_TRUE(std::regex_match(each, line)) << each;
        EXPECT_EQ(each.find('\r'), std::string::npos);
        EXPECT_EQ(each.find('\x1b'), std::string::npos);
    }
    EXPECT_TRUE(progress.back().starts_with("runs 6 of 6 done, 0 running, 0 failed, "))
        << progress.back();
    EXPECT_NE(progress.back().find("best Q "), std::string::npos) << progress.back();

    // --progress never: none; and the database is the same.
    const ProcessResult quiet = zarudiv::testing::RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " " + kPlan + " --repeat 6 --db quiet.sqlite --progress never",
        "quiet");
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("\nruns "), std::string::npos) << quiet.err;
    EXPECT_EQ(zarudiv::testing::DumpSeries(db), zarudiv::testing::DumpSeries(dir.file("quiet.sqlite")));
}

TEST(LiveRowsTest, NoRunStaysRunningAfterAStopOrAKillAndTheResumeEndsTheSame)
{
    TempDir dir;
    const std::string db = dir.file("k.sqlite");
    const std::string command = Quote(ZARUDIV_SERIES) + " " + kPlan + " --repeat 6 --db k.sqlite";
    {
        BackgroundProcess series(dir, command, "stopped");
        AwaitRunning(series, db);
        ASSERT_TRUE(series.running());
        series.signal(SIGTERM);
        EXPECT_EQ(series.wait().exitCode, 143);
        EXPECT_EQ(CountRows(db, "runs", "status = 'running' OR started IS NOT NULL AND status <> 'done'"), 0);
    }
    {
        BackgroundProcess series(dir, command, "killed");
        AwaitRunning(series, db);
        ASSERT_TRUE(series.running());
        series.signal(SIGKILL);
        series.wait();
        // Killed: what it had in flight is left running ...
        EXPECT_GT(CountRows(db, "runs", "status = 'running'"), 0);
    }
    // ... and the next start takes those runs up again.
    const ProcessResult resumed = zarudiv::testing::RunProcess(dir, command, "resumed");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(CountRows(db, "runs", "status = 'done'"), 6);
    EXPECT_EQ(CountRows(db, "runs", "status = 'running'"), 0);
    ASSERT_EQ(zarudiv::testing::RunProcess(
                  dir, Quote(ZARUDIV_SERIES) + " " + kPlan + " --repeat 6 --db whole.sqlite", "whole")
                  .exitCode,
              0);
    EXPECT_EQ(zarudiv::testing::DumpSeries(db), zarudiv::testing::DumpSeries(dir.file("whole.sqlite")));
}

}  // namespace
