// Work a series keeps: runs stopped by a signal go on from where they were,
// a plan's shorter runs are taken from its longest, and a longer plan goes
// on from the runs stored. Whatever way a run was come by, its rows, hash
// and law are those of the run computed alone.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "tests/series/series_dump.h"
#include "tests/support/process.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::CountRows;
using zarudiv::testing::DumpSeries;
using zarudiv::testing::ProcessResult;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

ProcessResult Series(const TempDir& dir, const std::string& args, const std::string& name = "series")
{
    return zarudiv::testing::RunProcess(dir, Quote(ZARUDIV_SERIES) + " " + args, name);
}

// Every done run by its campaign (its id and plan aside), with its rows:
// what runs computed alone and runs come by otherwise must agree on.
std::map<std::string, std::string> RunsByKey(const std::string& file)
{
    SQLite::Database db(file, SQLite::OPEN_READONLY, zarudiv::testing::kReaderWait);
    SQLite::Statement runs(db, "SELECT id, generations || ' ' || mutants || ' ' || step_ppm || ' ' "
                               "|| seed, best_q, best_generation, evaluations, protocol_sha256, "
                               "best_law, best_step FROM runs WHERE status = 'done'");
    std::map<std::string, std::string> byKey;
    while (runs.executeStep()) {
        // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) about
        // "literal" + std::string temporaries.
        std::string text = zarudiv::testing::ExactText(runs.getColumn(2).getDouble());
        for (int c = 3; c <= 6; ++c) {
            text += '|';
            text += runs.getColumn(c).getString();
        }
        text += '|';
        text += zarudiv::testing::ExactText(runs.getColumn(7).getDouble());
        text += '\n';
        SQLite::Statement rows(db, "SELECT generation, best_q, step_width, accepted FROM "
                                   "generations WHERE run_id = ? ORDER BY generation");
        rows.bind(1, runs.getColumn(0).getInt64());
        while (rows.executeStep())
            text += rows.getColumn(0).getString() + "," +
                    zarudiv::testing::ExactText(rows.getColumn(1).getDouble()) + "," +
                    zarudiv::testing::ExactText(rows.getColumn(2).getDouble()) + "," +
                    rows.getColumn(3).getString() + "\n";
        byKey[runs.getColumn(1).getString()] = text;
    }
    return byKey;
}

// A protocol from its second line on: the first names the file.
std::string Tail(const std::string& file)
{
    const std::string protocol = ReadBytes(file);
    return protocol.substr(protocol.find("\r\n") + 2);
}

// Every protocol in `dir` is the one of the same name in `alone`.
int ExpectSameProtocols(const std::string& dir, const std::string& alone)
{
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(Tail(entry.path().string()), Tail(alone + "/" + name)) << name;
        ++compared;
    }
    return compared;
}

TEST(ContinuationTest, ShorterRunsAndLongerPlansEqualRunsComputedAlone)
{
    TempDir dir;
    const std::string rest = " --mutants 3,5 --step 400 --repeat 2 --seed 71 --threads 2";
    // Each G alone, in a database of its own.
    std::map<std::string, std::string> alone;
    for (const char* g : {"5", "12", "30"}) {
        const ProcessResult series = Series(dir, std::string("--generations ") + g + rest +
                                                     " --protocols alone --db alone" + g + ".sqlite");
        ASSERT_EQ(series.exitCode, 0) << series.err;
        EXPECT_EQ(series.err.find("taken from longer runs"), std::string::npos) << series.err;
        alone.merge(RunsByKey(dir.file("alone" + std::string(g) + ".sqlite")));
    }
    ASSERT_EQ(alone.size(), 12u);

    // One plan of all three: only the 30 generations are computed.
    const ProcessResult shared =
        Series(dir, "--generations 12,5,30" + rest + " --protocols shared --db shared.sqlite");
    ASSERT_EQ(shared.exitCode, 0) << shared.err;
    EXPECT_NE(shared.err.find("zarudiv-series: 8 runs were taken from longer runs of the same "
                              "campaign; 120 generations computed\n"),
              std::string::npos)
        << shared.err;
    EXPECT_EQ(RunsByKey(dir.file("shared.sqlite")), alone);
    EXPECT_EQ(ExpectSameProtocols(dir.file("shared"), dir.file("alone")), 12);
    // The table is the same as for a series that computed every run.
    const ProcessResult again =
        Series(dir, "--generations 12,5,30" + rest + " --db shared.sqlite", "again");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, shared.out);

    // A longer plan on the database of the 12 generations goes on from
    // their ends; one of 5 and 30 does not (no state is at 5 or before).
    std::filesystem::copy_file(dir.file("alone12.sqlite"), dir.file("longer.sqlite"));
    const ProcessResult longer =
        Series(dir, "--generations 30" + rest + " --protocols longer --db longer.sqlite", "longer");
    ASSERT_EQ(longer.exitCode, 0) << longer.err;
    EXPECT_NE(longer.err.find("zarudiv-series: 4 runs went on from kept states (at generations "
                              "12, 12, 12 and 12); 72 generations computed\n"),
              std::string::npos)
        << longer.err;
    const std::map<std::string, std::string> extended = RunsByKey(dir.file("longer.sqlite"));
    EXPECT_EQ(extended.size(), 8u);
    for (const auto& [key, run] : extended)
        EXPECT_EQ(run, alone.at(key)) << key;
    EXPECT_EQ(ExpectSameProtocols(dir.file("longer"), dir.file("alone")), 4);

    // A damaged state is not used: that run is computed from its start.
    std::filesystem::copy_file(dir.file("alone12.sqlite"), dir.file("damaged.sqlite"));
    {
        SQLite::Database db(dir.file("damaged.sqlite"), SQLite::OPEN_READWRITE);
        db.exec("UPDATE run_states SET state = replace(state, 'best-q 2', 'best-q 3') WHERE "
                "run_id = (SELECT min(run_id) FROM run_states)");
    }
    const ProcessResult damaged =
        Series(dir, "--generations 30" + rest + " --db damaged.sqlite", "damaged");
    ASSERT_EQ(damaged.exitCode, 0) << damaged.err;
    EXPECT_NE(damaged.err.find("zarudiv-series: warning: 1 kept state was not used, and its run is "
                               "computed from the start: the state kept for run 1:"),
              std::string::npos)
        << damaged.err;
    EXPECT_NE(damaged.err.find("3 runs went on from kept states (at generations 12, 12 and 12); "
                               "84 generations computed\n"),
              std::string::npos)
        << damaged.err;
    for (const auto& [key, run] : RunsByKey(dir.file("damaged.sqlite")))
        EXPECT_EQ(run, alone.at(key)) << key;

    const ProcessResult both =
        Series(dir, "--generations 5,30" + rest + " --db alone12.sqlite", "both");
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_NE(both.err.find("zarudiv-series: 4 runs were taken from longer runs of the same "
                            "campaign; 120 generations computed\n"),
              std::string::npos)
        << both.err;
    for (const auto& [key, run] : RunsByKey(dir.file("alone12.sqlite")))
        EXPECT_EQ(run, alone.at(key)) << key;
}

// Waits until the series has recorded its plan and then some: its runs are
// then in flight.
void AwaitRunning(const BackgroundProcess& running, const std::string& db)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (running.running() && CountRows(db, "runs", "1") == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

// "2 runs stopped at generations 613 and 598, kept": the generations.
std::vector<int> StoppedAt(const std::string& err)
{
    std::smatch match;
    std::vector<int> generations;
    if (!std::regex_search(err, match,
                           std::regex("(\\d+) runs? stopped at generations? ([0-9, and]+), kept")))
        return generations;
    const std::string list = match[2].str();
    const std::regex number("\\d+");
    for (std::sregex_iterator at(list.begin(), list.end(), number), end; at != end; ++at)
        generations.push_back(std::stoi(at->str()));
    EXPECT_EQ(generations.size(), std::stoul(match[1].str())) << err;
    return generations;
}

TEST(ContinuationTest, SigtermKeepsTheRunsInFlightAndTheResumeComputesOnlyWhatWasLeft)
{
    TempDir dir;
    const std::string plan = "--generations 300,100 --mutants 20 --step 700 --repeat 2 --seed 5";
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess running(dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 2 --db s.sqlite");
    ASSERT_TRUE(running.started());
    AwaitRunning(running, db);
    ASSERT_TRUE(running.running()) << "the series ended before the signal";
    running.signal(SIGTERM);
    const ProcessResult stopped = running.wait();
    ASSERT_EQ(stopped.exitCode, 143) << stopped.err;
    const std::vector<int> at = StoppedAt(stopped.err);
    ASSERT_EQ(at.size(), 2u) << stopped.err;
    EXPECT_NE(stopped.err.find(", kept; run the same command again to continue\n"),
              std::string::npos)
        << stopped.err;
    // The states are kept for runs still to do; the runs table does not
    // tell them from runs not started.
    EXPECT_EQ(CountRows(db, "run_states", "run_id IN (SELECT id FROM runs WHERE status = 'pending')"), 2);
    EXPECT_EQ(CountRows(db, "runs", "status NOT IN ('pending', 'done')"), 0);

    // The resume goes on from the two states: each campaign's 300
    // generations are computed once in all.
    const ProcessResult resumed = Series(dir, plan + " --threads 2 --db s.sqlite");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    std::smatch from;
    ASSERT_TRUE(std::regex_search(resumed.err, from,
                                  std::regex("2 runs went on from kept states \\(at generations "
                                             "(\\d+) and (\\d+)\\)")))
        << resumed.err;
    EXPECT_EQ(std::minmax(std::stoi(from[1].str()), std::stoi(from[2].str())),
              std::minmax(at[0], at[1]))
        << resumed.err;
    std::smatch computed;
    ASSERT_TRUE(std::regex_search(resumed.err, computed, std::regex("; (\\d+) generations computed")))
        << resumed.err;
    EXPECT_EQ(std::stoi(computed[1].str()), 2 * 300 - at[0] - at[1]) << resumed.err;
    EXPECT_EQ(CountRows(db, "runs", "status = 'done'"), 4);

    ASSERT_EQ(Series(dir, plan + " --threads 2 --db whole.sqlite", "whole").exitCode, 0);
    EXPECT_EQ(DumpSeries(db), DumpSeries(dir.file("whole.sqlite")));
}

}  // namespace
