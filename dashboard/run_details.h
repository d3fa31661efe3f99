#pragma once
// One run's page and the lists of runs, from the database.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>

#include "series/plan.h"

namespace zarudiv {

struct StoredRun {
    std::int64_t id = 0;
    RunKey key;
    std::string status;
    std::string protocolSha256;  // "" unless done
};

// The run with that id, if there is one.
std::optional<StoredRun> FindRun(SQLite::Database& db, std::int64_t id);

// Everything the run's page shows but its pictures: the row, the best-Q
// curve of every generation, its law and the runner's command line.
nlohmann::json RunPage(SQLite::Database& db, const std::set<std::string>& runColumns,
                       const StoredRun& run);

struct RunListQuery {
    std::optional<SeriesPlan> plan;
    std::optional<std::string> status;  // one of the known ones
    std::optional<Setting> setting;
    bool byBestQ = false;  // else by id
    std::int64_t offset = 0;
    std::int64_t limit = 50;
    // How many match, when the caller knows it already (a plan's counts are
    // in the overview): counting 10^5 rows per page would cost more than the page.
    std::optional<std::int64_t> knownTotal;
};

// A page of runs and how many match.
nlohmann::json RunList(SQLite::Database& db, const std::set<std::string>& runColumns,
                       const RunListQuery& query);

}  // namespace zarudiv
