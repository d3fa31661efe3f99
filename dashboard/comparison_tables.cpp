#include "dashboard/comparison_tables.h"

namespace zarudiv {

nlohmann::json ComparisonTables(SQLite::Database& /*db*/, const SeriesPlan& /*plan*/,
                                const std::vector<SettingFinals>& settings)
{
    nlohmann::json rows = nlohmann::json::array();
    for (const SettingFinals& entry : settings) {
        const SettingSummary& s = entry.summary;
        nlohmann::json row = {{"setting", SettingLabel(s.setting)},
                              {"generations", s.setting.generations},
                              {"mutants", s.setting.mutants},
                              {"step_ppm", s.setting.stepPpm},
                              {"runs", s.runs}};
        if (s.runs > 0) {
            row["best"] = s.finalQ.best;
            row["q1"] = s.finalQ.q1;
            row["median"] = s.finalQ.median;
            row["q3"] = s.finalQ.q3;
            row["worst"] = s.finalQ.worst;
            row["median_evaluations_to_best"] = s.medianEvaluationsToBest;
        }
        rows.push_back(std::move(row));
    }
    nlohmann::json summary = {
        {"id", "summary"},
        {"title", "Finales Q je Einstellung"},
        {"note", "beste zuerst: nach dem Median des finalen Q, dann dem ersten Quartil, dann dem besten Q"},
        {"columns",
         nlohmann::json::array({{{"key", "setting"}, {"label", "Einstellung"}},
                                {{"key", "runs"}, {"label", "Läufe"}},
                                {{"key", "best"}, {"label", "bestes"}},
                                {{"key", "q1"}, {"label", "Q1"}},
                                {{"key", "median"}, {"label", "Median"}},
                                {{"key", "q3"}, {"label", "Q3"}},
                                {{"key", "worst"}, {"label", "schlechtestes"}},
                                {{"key", "median_evaluations_to_best"},
                                 {"label", "Auswertungen bis zum besten"}}})},
        {"rows", std::move(rows)},
    };
    nlohmann::json best = nullptr;
    if (!settings.empty() && settings.front().summary.runs > 0)
        best = SettingLabel(settings.front().summary.setting);
    return {{"tables", nlohmann::json::array({std::move(summary)})}, {"best_setting", best}};
}

}  // namespace zarudiv
