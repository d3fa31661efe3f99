#pragma once
// What the comparison view is made of, read from the database: every setting
// of a plan with its done runs' final Qs, summarised and ordered best first
// (as the series' table orders them), and the curves of its charts.

#include <SQLiteCpp/Database.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <vector>

#include "series/plan.h"
#include "series/series_summary.h"

namespace zarudiv {

struct SettingFinals {
    SettingSummary summary;
    std::vector<double> finalQs;  // sorted
};

// Every setting of the plan, best first: by median final Q, then the first
// quartile, the best Q and the plan's order; settings without a done run last.
std::vector<SettingFinals> ReadSettingFinals(SQLite::Database& db, const SeriesPlan& plan);

// At most this many settings get curves (the best ones); the tables have all.
inline constexpr std::size_t kChartedSettings = 24;

// The charts' data: per charted setting the quartile curves at up to
// maxPoints generations (x in generations; the page multiplies by M for
// evaluations), the box plot and the ECDF of the final Q. stop is asked
// between settings: a long computation can be abandoned.
nlohmann::json ComparisonCurves(SQLite::Database& db, const SeriesPlan& plan,
                                const std::vector<SettingFinals>& settings,
                                std::size_t maxPoints = 100,
                                const std::function<bool()>& stop = {});

}  // namespace zarudiv
