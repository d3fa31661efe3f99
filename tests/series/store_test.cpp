// The series database on its own: schema, plans, whole runs, and which
// databases it refuses.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <fstream>

#include "series/series_store.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::RunOutcome;
using zarudiv::RunStatus;
using zarudiv::SeriesPlan;
using zarudiv::SeriesStore;
using zarudiv::SeriesStoreError;
using zarudiv::testing::TempDir;

SeriesPlan SmallPlan(std::vector<int> generations, std::uint32_t firstSeed, std::uint32_t repeat)
{
    SeriesPlan plan;
    plan.generations = std::move(generations);
    plan.mutants = {3};
    plan.steps = {500};
    plan.firstSeed = firstSeed;
    plan.repeat = repeat;
    return plan;
}

const zarudiv::PlanRecord kRecord{"zarudiv-series ...", "2026-12-08T10:00:00Z", "0.1", "here"};

RunOutcome DoneRun(const zarudiv::PendingRun& run, double q)
{
    RunOutcome outcome;
    outcome.runId = run.id;
    outcome.key = run.key;
    outcome.status = RunStatus::Done;
    outcome.bestQ = q;
    outcome.bestGeneration = 2;
    outcome.evaluations = run.key.setting.generations * 3;
    outcome.protocolSha256 = "ab";
    for (int g = 1; g <= run.key.setting.generations; ++g)
        outcome.generations.push_back({g == 1 ? q + 1 : q, 1e-7 * g, g});
    return outcome;
}

SeriesStoreError::Kind OpeningFails(const std::string& file)
{
    try {
        SeriesStore store(file);
    } catch (const SeriesStoreError& error) {
        return error.kind();
    }
    ADD_FAILURE() << file << " was opened";
    return SeriesStoreError::Kind::Write;
}

TEST(StoreTest, APlansRunsAreAddedOnceInThePlansOrder)
{
    TempDir dir;
    SeriesStore store(dir.file("s.sqlite"));
    const SeriesPlan first = SmallPlan({4, 2}, 10, 2);
    EXPECT_EQ(store.addPlan(first, kRecord), 4u);
    EXPECT_EQ(store.addPlan(first, kRecord), 0u);
    // A wider plan adds only what is new, after the runs already there.
    const SeriesPlan wider = SmallPlan({4, 2}, 10, 3);
    EXPECT_EQ(store.addPlan(wider, kRecord), 2u);

    const std::vector<zarudiv::PendingRun> runs = store.pendingRuns(wider, 0, 100);
    ASSERT_EQ(runs.size(), 6u);
    const std::vector<std::pair<int, std::uint32_t>> expected = {{4, 10}, {2, 10}, {4, 11},
                                                                 {2, 11}, {4, 12}, {2, 12}};
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].id, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(runs[i].key.setting.generations, expected[i].first) << i;
        EXPECT_EQ(runs[i].key.seed, expected[i].second) << i;
    }
    // Batches continue after the last id handed out.
    EXPECT_EQ(store.pendingRuns(wider, 2, 3).front().id, 3);
    EXPECT_EQ(store.pendingRuns(first, 4, 100).size(), 0u);
}

TEST(StoreTest, ADoneRunIsStoredWholeAndLeavesThePendingList)
{
    TempDir dir;
    SeriesStore store(dir.file("s.sqlite"));
    EXPECT_EQ(store.journalMode(), "wal");
    const SeriesPlan plan = SmallPlan({4}, 1, 3);
    store.addPlan(plan, kRecord);
    const std::vector<zarudiv::PendingRun> runs = store.pendingRuns(plan, 0, 10);
    store.storeRun(DoneRun(runs[1], 250.5));
    RunOutcome failed;
    failed.runId = runs[2].id;
    failed.status = RunStatus::Failed;
    failed.error = "Gleitkommaüberlauf";
    store.storeRun(failed);

    EXPECT_EQ(store.countDone(plan), 1u);
    // A failed run is tried again.
    const std::vector<zarudiv::PendingRun> left = store.pendingRuns(plan, 0, 10);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].id, runs[0].id);
    EXPECT_EQ(left[1].id, runs[2].id);

    const std::vector<zarudiv::RunFinal> finals = store.finals(plan, {4, 3, 500});
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].bestQ, 250.5);
    std::vector<std::pair<int, double>> rows;
    store.forEachGeneration(plan, {4, 3, 500}, 2, 3,
                            [&](int g, double q) { rows.emplace_back(g, q); });
    EXPECT_EQ(rows, (std::vector<std::pair<int, double>>{{2, 250.5}, {3, 250.5}}));

    // Storing the same run twice is a fault, and it changes nothing.
    EXPECT_THROW(store.storeRun(DoneRun(runs[1], 1.0)), SeriesStoreError);
    EXPECT_EQ(store.finals(plan, {4, 3, 500})[0].bestQ, 250.5);

    SQLite::Database db(dir.file("s.sqlite"), SQLite::OPEN_READONLY);
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM generations").getInt(), 4);
    EXPECT_EQ(db.execAndGet("SELECT status || ':' || error FROM runs WHERE id = 3").getString(),
              "failed:Gleitkommaüberlauf");
    EXPECT_EQ(db.execAndGet("PRAGMA journal_mode").getString(), "wal");
}

// A group is stored whole or not at all, and a reader sees it only once it
// is committed; a run of odd length (37 rows: statements of 32, 4 and 1)
// keeps every generation in its place.
TEST(StoreTest, AGroupOfRunsIsCommittedWholeOrNotAtAll)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    SeriesStore store(file);
    const SeriesPlan plan = SmallPlan({37}, 1, 4);
    store.addPlan(plan, kRecord);
    const std::vector<zarudiv::PendingRun> runs = store.pendingRuns(plan, 0, 10);
    const auto doneRows = [&] {
        SQLite::Database reader(file, SQLite::OPEN_READONLY);
        return reader.execAndGet("SELECT count(*) || ',' || coalesce(sum(generation * accepted), 0) "
                                 "FROM generations").getString();
    };

    store.addToGroup(DoneRun(runs[0], 5.0));
    store.addToGroup(DoneRun(runs[1], 6.0));
    EXPECT_TRUE(store.inGroup());
    EXPECT_EQ(store.groupRuns(), 2u);
    EXPECT_EQ(store.groupRows(), 74u);
    EXPECT_EQ(doneRows(), "0,0");  // not committed: not there
    // A run stored twice is refused before anything of it is written; the
    // group stays as it was.
    EXPECT_THROW(store.addToGroup(DoneRun(runs[1], 7.0)), SeriesStoreError);
    EXPECT_TRUE(store.inGroup());
    EXPECT_EQ(store.commitGroup(), 2u);
    EXPECT_FALSE(store.inGroup());
    // Generation g of each run is row g: the sum of g * g over 1..37, twice.
    EXPECT_EQ(doneRows(), "74," + std::to_string(2 * 37 * 38 * 75 / 6));
    EXPECT_EQ(store.countDone(plan), 2u);
}

// A group the database never sees committed (the series killed, the store
// closed) leaves nothing of it.
TEST(StoreTest, AGroupNotCommittedLeavesNothing)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    const SeriesPlan plan = SmallPlan({5}, 1, 2);
    {
        SeriesStore store(file);
        store.addPlan(plan, kRecord);
        const std::vector<zarudiv::PendingRun> runs = store.pendingRuns(plan, 0, 10);
        store.storeRun(DoneRun(runs[0], 1.0));
        store.addToGroup(DoneRun(runs[1], 2.0));
    }
    SeriesStore again(file);
    EXPECT_EQ(again.countDone(plan), 1u);
    SQLite::Database reader(file, SQLite::OPEN_READONLY);
    EXPECT_EQ(reader.execAndGet("SELECT count(*) FROM generations").getInt(), 5);
}

// Fetching a batch of work scans the runs table from the last id on and
// stops at the limit: no search over the plan, no sort. SQLite says so.
TEST(StoreTest, ABatchOfWorkIsFetchedByARangeOfIdsWithoutASort)
{
    TempDir dir;
    const SeriesPlan plan = SmallPlan({4, 9}, 1, 500);
    {
        SeriesStore store(dir.file("s.sqlite"));
        store.addPlan(plan, kRecord);
        const std::vector<zarudiv::PendingRun> batch = store.pendingRuns(plan, 700, 3);
        ASSERT_EQ(batch.size(), 3u);
        EXPECT_EQ(batch[0].id, 701);
        EXPECT_EQ(batch[2].id, 703);
    }
    SQLite::Database db(dir.file("s.sqlite"), SQLite::OPEN_READWRITE);
    db.exec("ANALYZE");  // even with statistics that favour the index
    SQLite::Statement explain(db, "EXPLAIN QUERY PLAN " + zarudiv::PendingRunsQuery(plan));
    explain.bind(1, static_cast<std::int64_t>(700));
    explain.bind(2, static_cast<std::int64_t>(1024));
    std::string steps;
    while (explain.executeStep())
        steps += explain.getColumn(3).getString() + "\n";
    EXPECT_NE(steps.find("USING INTEGER PRIMARY KEY (rowid>?)"), std::string::npos) << steps;
    EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << steps;
    EXPECT_EQ(steps.find("INDEX"), std::string::npos) << steps;
}

TEST(StoreTest, OtherFilesAndASecondSeriesAreRefusedUntouched)
{
    TempDir dir;
    const std::string text = dir.file("notes.txt");
    std::ofstream(text) << "generations, mutants and steps: a plain text file of many bytes, not a "
                           "database at all, and certainly not ours to change in any way\n";
    const std::string before = zarudiv::testing::ReadBytes(text);
    EXPECT_EQ(OpeningFails(text), SeriesStoreError::Kind::NotOurs);
    EXPECT_EQ(zarudiv::testing::ReadBytes(text), before);

    const std::string foreign = dir.file("foreign.sqlite");
    {
        SQLite::Database db(foreign, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE runs(x)");
    }
    EXPECT_EQ(OpeningFails(foreign), SeriesStoreError::Kind::NotOurs);
    EXPECT_EQ(OpeningFails(dir.file("missing/s.sqlite")), SeriesStoreError::Kind::CannotOpen);
    EXPECT_EQ(OpeningFails(dir.path().string()), SeriesStoreError::Kind::CannotOpen);

    const std::string ours = dir.file("s.sqlite");
    {
        SeriesStore first(ours);
        EXPECT_EQ(OpeningFails(ours), SeriesStoreError::Kind::InUse);
    }
    SeriesStore again(ours);  // free once the first has closed it
}

TEST(StoreTest, AnOlderSchemaIsBroughtUpToDateAndANewerOneRefused)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    { SeriesStore store(file); }
    {
        // Version 1 had no host column, version 2 no law, version 3 no states.
        SQLite::Database db(file, SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE runs DROP COLUMN host; ALTER TABLE runs DROP COLUMN best_law; "
                "ALTER TABLE runs DROP COLUMN best_step; DROP TABLE run_states; "
                "PRAGMA user_version = 1");
    }
    {
        SeriesStore store(file);
        const SeriesPlan plan = SmallPlan({2}, 1, 1);
        store.addPlan(plan, kRecord);
        RunOutcome outcome = DoneRun(store.pendingRuns(plan, 0, 1).front(), 9.5);
        outcome.host = "node-07";
        outcome.bestLaw = "zarudiv law 1\n";
        outcome.bestStep = -2.5e-7;
        outcome.state = "zarudiv checkpoint 1\n";
        store.storeRun(outcome);
    }
    {
        SQLite::Database db(file, SQLite::OPEN_READWRITE);
        EXPECT_EQ(db.execAndGet("PRAGMA user_version").getInt(), SeriesStore::kSchemaVersion);
        EXPECT_EQ(db.execAndGet("SELECT host FROM runs").getString(), "node-07");
        EXPECT_EQ(db.execAndGet("SELECT best_law FROM runs").getString(), "zarudiv law 1\n");
        EXPECT_EQ(db.execAndGet("SELECT best_step FROM runs").getDouble(), -2.5e-7);
        EXPECT_EQ(db.execAndGet("SELECT generation || ' ' || state FROM run_states").getString(),
                  "2 zarudiv checkpoint 1\n");
        db.exec("PRAGMA user_version = 99");
    }
    EXPECT_EQ(OpeningFails(file), SeriesStoreError::Kind::NotOurs);
}

TEST(StoreTest, AVersion4DatabaseTakesRunsInFlightAndAKilledSeriesLeavesNoneRunning)
{
    TempDir dir;
    const std::string file = dir.file("s.sqlite");
    const SeriesPlan plan = SmallPlan({2}, 1, 3);
    {
        SeriesStore store(file);
        store.addPlan(plan, kRecord);
        RunOutcome outcome = DoneRun(store.pendingRuns(plan, 0, 1).front(), 9.5);
        outcome.host = "node-07";
        store.storeRun(outcome);
    }
    const std::string query = "SELECT group_concat(id || ' ' || status || ' ' || "
                              "ifnull(best_q, '-') || ' ' || ifnull(host, '-'), '; ') FROM runs";
    {
        // Version 4's runs table: no run in flight, and its CHECK says so.
        SQLite::Database db(file, SQLite::OPEN_READWRITE);
        db.exec(R"sql(
CREATE TABLE runs_old(id INTEGER PRIMARY KEY, plan_id INTEGER NOT NULL REFERENCES plans(id),
    generations INTEGER NOT NULL, mutants INTEGER NOT NULL, step_ppm INTEGER NOT NULL,
    seed INTEGER NOT NULL, status TEXT NOT NULL DEFAULT 'pending'
    CHECK (status IN ('pending', 'done', 'failed')), best_q REAL, best_generation INTEGER,
    evaluations INTEGER, seconds REAL, protocol_sha256 TEXT, error TEXT, host TEXT,
    best_law TEXT, best_step REAL, UNIQUE (generations, mutants, step_ppm, seed));
INSERT INTO runs_old SELECT id, plan_id, generations, mutants, step_ppm, seed, status, best_q,
    best_generation, evaluations, seconds, protocol_sha256, error, host, best_law, best_step
    FROM runs;
DROP TABLE runs;
ALTER TABLE runs_old RENAME TO runs;
PRAGMA user_version = 4;)sql");
        EXPECT_THROW(db.exec("UPDATE runs SET status = 'running' WHERE id = 2"), SQLite::Exception);
        EXPECT_EQ(db.execAndGet(query).getString(), "1 done 9.5 node-07; 2 pending - -; 3 pending - -");
    }
    {
        SeriesStore store(file);
        store.markRunning({2, 3}, "2026-12-09T07:00:00Z", "node-08");
        store.refreshRunning({{2, 1, 4.25}});
        EXPECT_EQ(store.commitGroup(), 0u);
        // A run in flight is still to do, and a done run is never marked.
        EXPECT_EQ(store.pendingRuns(plan, 0, 10).size(), 2u);
        store.markRunning({1}, "2026-12-09T07:00:00Z", "node-09");
        store.commitGroup();
        // The store closes without resetting them: a killed series.
    }
    {
        SQLite::Database db(file, SQLite::OPEN_READONLY);
        EXPECT_EQ(db.execAndGet("PRAGMA user_version").getInt(), SeriesStore::kSchemaVersion);
        EXPECT_EQ(db.execAndGet(query).getString(),
                  "1 done 9.5 node-07; 2 running - node-08; 3 running - node-08");
        EXPECT_EQ(db.execAndGet("SELECT started || ' ' || current_generation || ' ' || "
                                "current_best_q FROM runs WHERE id = 2")
                      .getString(),
                  "2026-12-09T07:00:00Z 1 4.25");
        // The references of the generations still hold.
        EXPECT_EQ(db.execAndGet("SELECT count(*) FROM generations JOIN runs ON runs.id = run_id "
                                "WHERE runs.id = 1")
                      .getInt(),
                  2);
    }
    {
        // The next series finds them running and takes them up again.
        SeriesStore store(file);
        EXPECT_EQ(store.resetRunning(), 0u);
    }
    SQLite::Database db(file, SQLite::OPEN_READONLY);
    EXPECT_EQ(db.execAndGet(query).getString(), "1 done 9.5 node-07; 2 pending - -; 3 pending - -");
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM runs WHERE started IS NOT NULL OR "
                            "current_generation IS NOT NULL")
                  .getInt(),
              0);
}

}  // namespace
