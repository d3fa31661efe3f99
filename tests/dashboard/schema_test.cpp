// The server over databases it did not see written: one of the first schema
// version, and one whose runs table records runs in flight with columns of
// its own. What the table has is shown; nothing is assumed.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include "series/series_store.h"
#include "tests/dashboard/dashboard_process.h"

namespace {

using namespace zarudiv::testing;

// The tables as a series writes them; runsExtra adds columns to runs.
void MakeDatabase(const std::string& file, int version, const std::string& runsExtra)
{
    SQLite::Database db(file, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("PRAGMA journal_mode = WAL");
    db.exec(R"sql(
CREATE TABLE plans(id INTEGER PRIMARY KEY, command_line TEXT NOT NULL, started TEXT NOT NULL,
    program_version TEXT NOT NULL, host TEXT NOT NULL, generations TEXT NOT NULL,
    mutants TEXT NOT NULL, step_ppm TEXT NOT NULL, first_seed INTEGER NOT NULL,
    repeat INTEGER NOT NULL, runs INTEGER NOT NULL);
CREATE TABLE generations(run_id INTEGER NOT NULL, generation INTEGER NOT NULL,
    best_q REAL NOT NULL, step_width REAL NOT NULL, accepted INTEGER NOT NULL,
    PRIMARY KEY (run_id, generation)) WITHOUT ROWID;)sql");
    db.exec("CREATE TABLE runs(id INTEGER PRIMARY KEY, plan_id INTEGER NOT NULL, generations "
            "INTEGER NOT NULL, mutants INTEGER NOT NULL, step_ppm INTEGER NOT NULL, seed INTEGER "
            "NOT NULL, status TEXT NOT NULL DEFAULT 'pending', best_q REAL, best_generation "
            "INTEGER, evaluations INTEGER, seconds REAL, protocol_sha256 TEXT, error TEXT" +
            runsExtra + ", UNIQUE (generations, mutants, step_ppm, seed))");
    db.exec("PRAGMA application_id = " + std::to_string(zarudiv::SeriesStore::kApplicationId));
    db.exec("PRAGMA user_version = " + std::to_string(version));
    db.exec("INSERT INTO plans VALUES (1, 'zarudiv-series --generations 3 --mutants 2 --step 10 "
            "--repeat 3 --seed 4', '2026-01-01T00:00:00Z', '0.1', 'old', '3', '2', '10', 4, 3, 3)");
    db.exec("INSERT INTO runs(id, plan_id, generations, mutants, step_ppm, seed, status, best_q, "
            "best_generation, evaluations, seconds) VALUES (1, 1, 3, 2, 10, 4, 'done', 270.5, 2, "
            "6, 0.1), (2, 1, 3, 2, 10, 5, 'failed', NULL, NULL, NULL, 0.1), (3, 1, 3, 2, 10, 6, "
            "'pending', NULL, NULL, NULL, NULL)");
    db.exec("UPDATE runs SET error = 'Gleitkommaüberlauf' WHERE id = 2");
    db.exec("INSERT INTO generations VALUES (1, 1, 280.25, 1e-6, 1), (1, 2, 270.5, 2e-6, 1), "
            "(1, 3, 270.5, 2e-6, 0)");
}

nlohmann::json OverviewWhen(int port, const std::function<bool(const nlohmann::json&)>& ready)
{
    nlohmann::json overview;
    for (int i = 0; i < 200; ++i) {
        overview = Get(port, "/api/overview").json();
        if (ready(overview))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return overview;
}

TEST(SchemaTest, ADatabaseOfTheFirstVersionIsShownWithWhatItHas)
{
    TempDir dir;
    MakeDatabase(dir.file("v1.sqlite"), 1, "");
    ServeProcess server(dir, "--db v1.sqlite");
    ASSERT_NE(server.port(), 0) << ReadBytes(dir.file("serve.err"));

    const nlohmann::json overview = Get(server.port(), "/api/overview").json();
    ASSERT_EQ(overview["plans"].size(), 1u);
    const nlohmann::json& plan = overview["plans"][0];
    EXPECT_EQ(plan["done"], 1);
    EXPECT_EQ(plan["failed"], 1);
    EXPECT_EQ(plan["pending"], 1);
    EXPECT_EQ(plan["best_q"], 270.5);
    EXPECT_EQ(overview["failed"][0]["error"], "Gleitkommaüberlauf");
    EXPECT_TRUE(overview["failed"][0]["host"].is_null());  // version 1 had no host column

    const nlohmann::json run = Get(server.port(), "/api/runs/1").json();
    EXPECT_EQ(run["curve"]["best_q"], nlohmann::json::array({280.25, 270.5, 270.5}));
    EXPECT_EQ(run["law"]["available"], false);
    EXPECT_EQ(Get(server.port(), "/api/runs/3/replay").status, 409);  // pending: not replayed
    const nlohmann::json list = Get(server.port(), "/api/runs?plan=1&status=failed").json();
    EXPECT_EQ(list["total"], 1);
}

TEST(SchemaTest, RunsInFlightShowTheirColumnsAndALiveCurve)
{
    TempDir dir;
    const std::string file = dir.file("live.sqlite");
    MakeDatabase(file, 3, ", host TEXT, started TEXT, current_generation INTEGER");
    SQLite::Database writer(file, SQLite::OPEN_READWRITE);
    writer.exec("UPDATE runs SET status = 'running', started = '2026-01-01T00:00:05Z', "
                "host = 'node07', current_generation = 1, best_q = 281.5 WHERE id = 3");
    ServeProcess server(dir, "--db live.sqlite");
    ASSERT_NE(server.port(), 0) << ReadBytes(dir.file("serve.err"));

    nlohmann::json overview = OverviewWhen(server.port(), [](const nlohmann::json& o) {
        return !o["running"]["runs"].empty();
    });
    ASSERT_EQ(overview["running"]["runs"].size(), 1u) << overview.dump();
    const nlohmann::json& run = overview["running"]["runs"][0];
    EXPECT_EQ(run["started"], "2026-01-01T00:00:05Z");
    EXPECT_EQ(run["host"], "node07");
    EXPECT_EQ(overview["running"]["generation_column"], "current_generation");
    EXPECT_EQ(overview["plans"][0]["running"], 1);

    // The series moves on; the page's curve grows by the new point.
    writer.exec("UPDATE runs SET current_generation = 2, best_q = 276.0 WHERE id = 3");
    overview = OverviewWhen(server.port(), [](const nlohmann::json& o) {
        return o["running"]["runs"][0]["live_curve"].size() == 2;
    });
    const nlohmann::json& curve = overview["running"]["runs"][0]["live_curve"];
    ASSERT_EQ(curve.size(), 2u) << overview.dump();
    EXPECT_EQ(curve[0][1], 1);
    EXPECT_EQ(curve[0][2], 281.5);
    EXPECT_EQ(curve[1][1], 2);
    EXPECT_EQ(curve[1][2], 276.0);

    // Done, it leaves the list.
    writer.exec("UPDATE runs SET status = 'done' WHERE id = 3");
    overview = OverviewWhen(server.port(), [](const nlohmann::json& o) {
        return o["running"]["runs"].empty();
    });
    EXPECT_TRUE(overview["running"]["runs"].empty());
    EXPECT_EQ(overview["plans"][0]["done"], 2);
}

}  // namespace
