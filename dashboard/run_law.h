#pragma once
// A run's best law as the database keeps it: runs.best_law holds the text of
// a law file (each coefficient exactly and as a decimal), runs.best_step the
// step width. Databases written before these columns have no law: the answer
// then says so.

#include <SQLiteCpp/Database.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zarudiv {

struct LawCoefficients {
    std::vector<double> activator;  // 20 each
    std::vector<double> inhibitor;
};

// The coefficients of a law file's text, for the page's table and plot; the
// text itself stays the exact record.
std::optional<LawCoefficients> ParseLawCoefficients(const std::string& text);

// {"available": false, "reason": ...} or {"available": true, "text": ...,
// "step": ..., "activator": [...], "inhibitor": [...]} (the two lists only
// where the text could be read).
nlohmann::json RunLaw(SQLite::Database& db, const std::set<std::string>& runColumns,
                      std::int64_t runId);

}  // namespace zarudiv
