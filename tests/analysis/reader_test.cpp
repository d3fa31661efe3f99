// Reading a series database: what a series stored comes back exactly, while
// the series still holds the database; other files are refused.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "analysis/series_reader.h"
#include "tests/analysis/series_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace zarudiv;
using zarudiv::testing::Falling;
using zarudiv::testing::TempDir;
using zarudiv::testing::WriteSeries;

// G 3, M 2 and 4, seeds 5..7; the run (M 4, seed 6) stays pending.
SeriesPlan SmallPlan()
{
    SeriesPlan plan;
    plan.generations = {3};
    plan.mutants = {4, 2};
    plan.steps = {100};
    plan.firstSeed = 5;
    plan.repeat = 3;
    return plan;
}

void WriteSmallSeries(const std::string& file)
{
    std::vector<std::pair<RunKey, std::vector<double>>> runs;
    for (std::uint32_t seed : {5u, 6u, 7u})
        for (int mutants : {4, 2})
            if (!(mutants == 4 && seed == 6))
                runs.push_back({RunKey{{3, mutants, 100}, seed},
                                {200.0 + seed + mutants, 150.0 + seed / 3.0, 150.0 + seed / 3.0}});
    WriteSeries(file, SmallPlan(), runs);
}

SeriesReadError::Kind ReadingFails(const std::string& file, std::string* message = nullptr)
{
    try {
        ReadSeries(file);
    } catch (const SeriesReadError& error) {
        if (message)
            *message = error.what();
        return error.kind();
    }
    ADD_FAILURE() << file << " was read";
    return SeriesReadError::Kind::Read;
}

TEST(ReaderTest, WhatTheSeriesStoredComesBackWhileTheSeriesHoldsTheDatabase)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    WriteSmallSeries(file);
    // A series holds its lock on the file; the reader needs none.
    SeriesStore holding(file);
    const SeriesData data = ReadSeries(file);

    EXPECT_EQ(data.schemaVersion, SeriesStore::kSchemaVersion);
    ASSERT_EQ(data.plans.size(), 1u);
    EXPECT_EQ(data.plans[0].commandLine, "zarudiv-series --test");
    EXPECT_EQ(data.plans[0].mutants, "4,2");
    EXPECT_EQ(data.plans[0].runs, 6);
    // The plan's order, not the numbers' order.
    ASSERT_EQ(data.settings.size(), 2u);
    EXPECT_EQ(data.settings[0].setting, (Setting{3, 4, 100}));
    EXPECT_EQ(data.settings[0].notDone, 1u);
    EXPECT_EQ(data.settings[1].notDone, 0u);
    const std::vector<DoneRun>& runs = data.settings[1].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[2].seed, 7u);
    EXPECT_EQ(runs[2].curve, (std::vector<double>{209.0, 150.0 + 7 / 3.0, 150.0 + 7 / 3.0}));
    EXPECT_EQ(runs[2].finalQ, 150.0 + 7 / 3.0);
    EXPECT_EQ(runs[2].bestGeneration, 2);
    EXPECT_EQ(data.settings[0].runs[1].seed, 7u);  // seed 6 is not done
    ASSERT_EQ(data.statusCounts.size(), 2u);
    EXPECT_EQ(data.statusCounts[0].status, "done");
    EXPECT_EQ(data.statusCounts[0].runs, 5);
    EXPECT_EQ(data.statusCounts[1].status, "pending");
    EXPECT_TRUE(data.leftOut.empty());
}

TEST(ReaderTest, ADatabaseOfTheFirstSchemaVersionIsRead)
{
    TempDir dir;
    const std::string file = dir.file("old.sqlite");
    WriteSmallSeries(file);
    {
        // Version 1 did not say which machine ran a run.
        SQLite::Database db(file, SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE runs DROP COLUMN host; PRAGMA user_version = 1");
    }
    const SeriesData data = ReadSeries(file);
    EXPECT_EQ(data.schemaVersion, 1);
    EXPECT_EQ(data.doneRuns(), 5u);
}

TEST(ReaderTest, ARunWithoutAllItsGenerationsIsLeftOutAndSaidSo)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    WriteSmallSeries(file);
    {
        SQLite::Database db(file, SQLite::OPEN_READWRITE);
        db.exec("DELETE FROM generations WHERE generation = 2 AND run_id = "
                "(SELECT id FROM runs WHERE mutants = 2 AND seed = 5)");
    }
    const SeriesData data = ReadSeries(file);
    EXPECT_EQ(data.doneRuns(), 4u);
    EXPECT_EQ(data.settings[1].notDone, 1u);
    ASSERT_EQ(data.leftOut.size(), 1u);
    EXPECT_NE(data.leftOut[0].find("(G=3 M=2 P=100, seed 5) has 1 of its 3 generations stored in order"),
              std::string::npos)
        << data.leftOut[0];
}

TEST(ReaderTest, FilesThatAreNotSeriesDatabasesAreRefused)
{
    TempDir dir;
    using Kind = SeriesReadError::Kind;
    std::ofstream(dir.file("text.sqlite")) << "setting,runs\nG=1,3\n";
    std::ofstream(dir.file("empty.sqlite"));
    {
        SQLite::Database other(dir.file("other.sqlite"), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other.exec("CREATE TABLE runs(x)");
    }
    WriteSmallSeries(dir.file("future.sqlite"));
    {
        SQLite::Database future(dir.file("future.sqlite"), SQLite::OPEN_READWRITE);
        future.exec("PRAGMA user_version = 99");
    }
    const struct {
        std::string file;
        Kind kind;
        std::string message;
    } cases[] = {
        {dir.file("missing.sqlite"), Kind::CannotOpen, "No such file or directory"},
        {dir.path().string(), Kind::CannotOpen, "not a regular file"},
        {dir.file("text.sqlite"), Kind::NotOurs, "not a series database (file is not a database)"},
        {dir.file("empty.sqlite"), Kind::NotOurs, "an empty SQLite database, not a series database"},
        {dir.file("other.sqlite"), Kind::NotOurs,
         "an SQLite database of another program, not a series database"},
        {dir.file("future.sqlite"), Kind::NotOurs,
         "a series database of schema version 99, which this program does not know (it reads 1 to " +
             std::to_string(SeriesStore::kSchemaVersion) + ")"},
    };
    for (const auto& c : cases) {
        std::string message;
        EXPECT_EQ(ReadingFails(c.file, &message), c.kind) << c.file;
        EXPECT_EQ(message, c.message) << c.file;
    }
}

}  // namespace
