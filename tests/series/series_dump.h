#pragma once
// A series database as text, for whole comparisons between series that were
// run differently; and what a test reads of it while a series runs.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/process.h"

namespace zarudiv::testing {

// A reader waits while the series holds a write lock, as any tool should.
inline constexpr int kReaderWait = 10000;

inline std::string ExactText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Everything a series stores about its runs except the timings and the
// machines that ran them, one line a row.
inline std::string DumpSeries(const std::string& file)
{
    SQLite::Database db(file, SQLite::OPEN_READONLY, kReaderWait);
    std::string dump;
    SQLite::Statement runs(db, "SELECT id, plan_id, generations, mutants, step_ppm, seed, status, "
                               "best_q, best_generation, evaluations, protocol_sha256, error, best_law, best_step "
                               "FROM runs ORDER BY id");
    while (runs.executeStep()) {
        for (int c = 0; c < runs.getColumnCount(); ++c)
            dump += (runs.getColumn(c).isFloat() ? ExactText(runs.getColumn(c).getDouble())
                                                 : runs.getColumn(c).getString()) +
                    "|";
        dump += "\n";
    }
    SQLite::Statement generations(db, "SELECT run_id, generation, best_q, step_width, accepted "
                                      "FROM generations ORDER BY run_id, generation");
    while (generations.executeStep())
        dump += generations.getColumn(0).getString() + "," + generations.getColumn(1).getString() +
                "," + ExactText(generations.getColumn(2).getDouble()) + "," +
                ExactText(generations.getColumn(3).getDouble()) + "," +
                generations.getColumn(4).getString() + "\n";
    return dump;
}

// Rows of a table that meet a condition; 0 while the series has not made
// the database yet.
inline std::int64_t CountRows(const std::string& file, const std::string& table,
                              const std::string& condition)
{
    if (!std::filesystem::exists(file))
        return 0;
    SQLite::Database db(file, SQLite::OPEN_READONLY, kReaderWait);
    if (!db.tableExists(table))
        return 0;
    return db.execAndGet("SELECT count(*) FROM " + table + " WHERE " + condition).getInt64();
}

// Waits until the series has stored `runs` runs, or has ended (or two
// minutes have passed: the caller's checks then fail, rather than hang).
inline void AwaitDone(const BackgroundProcess& running, const std::string& db, std::int64_t runs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (running.running() && std::chrono::steady_clock::now() < deadline) {
        if (CountRows(db, "runs", "status = 'done'") >= runs)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace zarudiv::testing
