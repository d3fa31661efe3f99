#pragma once
// The comparison view's tables, as the page shows them: a list of tables,
// each with its columns and rows, the best setting first in the first one.
// Today the only table is the per-setting summary of final Q the series
// prints; the analysis' tables (budget, paired tests, fixed targets) take
// their place here, in this one function.

#include <SQLiteCpp/Database.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "dashboard/comparison_data.h"
#include "series/plan.h"

namespace zarudiv {

// {"tables": [{"id", "title", "note", "columns": [{"key", "label"}],
//   "rows": [{key: value, ...}]}], "best_setting": label or null}
nlohmann::json ComparisonTables(SQLite::Database& db, const SeriesPlan& plan,
                                const std::vector<SettingFinals>& settings);

}  // namespace zarudiv
