// What a large plan costs before its first run: recording it, and fetching
// a batch of its pending runs, at the start, in the middle and at the end.
//   zarudiv_plan_fetch_bench DB RUNS [RUNS...]   (each RUNS is a fresh database)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include "series/series_store.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DB RUNS [RUNS...]\n", argv[0]);
        return 2;
    }
    const std::string db = argv[1];
    std::printf("%10s %10s %16s %16s %16s %22s\n", "runs", "record s", "fetch first ms",
                "fetch middle ms", "fetch last ms", "by the index, mid ms");
    for (int i = 2; i < argc; ++i) {
        const long runs = std::atol(argv[i]);
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(db + suffix);
        zarudiv::SeriesPlan plan;
        plan.generations = {100};
        plan.mutants = {10, 20};
        plan.steps = {1000};
        plan.firstSeed = 1;
        plan.repeat = static_cast<std::uint32_t>(runs / 2);
        zarudiv::SeriesStore store(db);
        auto start = std::chrono::steady_clock::now();
        store.addPlan(plan, {"bench", "2026-12-09T00:00:00Z", "bench", "here"});
        const double record = Seconds(start);
        double fetch[3];
        const std::int64_t after[3] = {0, runs / 2, runs - 1024};
        for (int k = 0; k < 3; ++k) {
            start = std::chrono::steady_clock::now();
            const auto batch = store.pendingRuns(plan, after[k], 1024);
            fetch[k] = 1000.0 * Seconds(start);
            if (batch.size() != 1024) {
                std::fprintf(stderr, "fetched %zu runs, not 1024\n", batch.size());
                return 1;
            }
        }
        // The same batch by the query that let SQLite search the unique index
        // over the plan's settings and sort (as it was before).
        std::string byIndex = zarudiv::PendingRunsQuery(plan);
        byIndex.replace(byIndex.find(" NOT INDEXED"), 12, "");
        SQLite::Database reader(db, SQLite::OPEN_READONLY);
        SQLite::Statement select(reader, byIndex);
        select.bind(1, after[1]);
        select.bind(2, static_cast<std::int64_t>(1024));
        start = std::chrono::steady_clock::now();
        int rows = 0;
        while (select.executeStep())
            ++rows;
        const double indexed = 1000.0 * Seconds(start);
        if (rows != 1024) {
            std::fprintf(stderr, "the index query fetched %d runs, not 1024\n", rows);
            return 1;
        }
        std::printf("%10ld %10.2f %16.2f %16.2f %16.2f %22.2f\n", runs, record, fetch[0], fetch[1],
                    fetch[2], indexed);
        std::fflush(stdout);
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(db + suffix);
    return 0;
}
