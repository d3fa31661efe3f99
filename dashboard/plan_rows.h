#pragma once
// The plans table read back as plans: every start of a series adds a row, so
// the starts of the same plan (a resumed series) are grouped into one.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <string>
#include <vector>

#include "series/plan.h"

namespace zarudiv {

struct PlanStarts {
    // The id of the plan's first start: the plan's number in the dashboard.
    std::int64_t key = 0;
    SeriesPlan plan;
    std::vector<std::int64_t> startIds;
    std::string firstStarted;  // UTC, ISO 8601
    std::string lastStarted;
    std::string commandLine;  // of the last start
    std::string host;
    std::string version;
};

// Every plan in the order of its first start. Rows whose lists cannot be read
// back (no series writes them) are left out.
std::vector<PlanStarts> ReadPlans(SQLite::Database& db);

// "100,300" back into numbers; empty when the text is not such a list.
std::vector<int> ParseStoredList(const std::string& text);

}  // namespace zarudiv
