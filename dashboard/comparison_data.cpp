#include "dashboard/comparison_data.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <map>

#include "series/convergence.h"
#include "series/quantiles.h"
#include "series/series_store.h"

namespace zarudiv {

namespace {

// Values held at once while a block of generations is summarised.
constexpr std::size_t kBlockValues = 1 << 21;
// Points of an ECDF curve: the chart has no more columns anyway.
constexpr std::size_t kEcdfPoints = 200;
// Outliers drawn per box; the table has the numbers.
constexpr std::size_t kBoxOutliers = 200;

nlohmann::json Ecdf(const std::vector<double>& sorted)
{
    nlohmann::json points = nlohmann::json::array();
    const std::size_t n = sorted.size();
    if (n == 0)
        return points;
    const std::size_t count = std::min(n, kEcdfPoints);
    for (std::size_t k = 0; k < count; ++k) {
        // Evenly spread indices, always ending at the largest value.
        const std::size_t i = count == 1 ? n - 1 : (n - 1) * k / (count - 1);
        points.push_back({sorted[i], static_cast<double>(i + 1) / static_cast<double>(n)});
    }
    return points;
}

}  // namespace

std::vector<SettingFinals> ReadSettingFinals(SQLite::Database& db, const SeriesPlan& plan)
{
    std::map<Setting, std::vector<RunFinal>> finals;
    SQLite::Statement select(db, "SELECT generations, mutants, step_ppm, best_q, best_generation "
                                 "FROM runs WHERE status = 'done' AND " + PlanCondition(plan));
    while (select.executeStep()) {
        const Setting setting{select.getColumn(0).getInt(), select.getColumn(1).getInt(),
                              select.getColumn(2).getInt()};
        finals[setting].push_back(
            RunFinal{select.getColumn(3).getDouble(), select.getColumn(4).getInt()});
    }
    std::vector<SettingFinals> settings;
    for (std::uint64_t i = 0; i < plan.settingCount(); ++i) {
        const Setting setting = plan.setting(i);
        SettingFinals entry;
        std::vector<RunFinal>& runs = finals[setting];
        for (const RunFinal& run : runs)
            entry.finalQs.push_back(run.bestQ);
        std::sort(entry.finalQs.begin(), entry.finalQs.end());
        entry.summary = SummariseSetting(setting, std::move(runs));
        settings.push_back(std::move(entry));
    }
    // The series' table's order; stable_sort keeps the plan's among equals.
    std::stable_sort(settings.begin(), settings.end(),
                     [](const SettingFinals& x, const SettingFinals& y) {
                         const SettingSummary& a = x.summary;
                         const SettingSummary& b = y.summary;
                         if ((a.runs == 0) != (b.runs == 0))
                             return b.runs == 0;
                         if (a.runs == 0)
                             return false;
                         if (a.finalQ.median != b.finalQ.median)
                             return a.finalQ.median < b.finalQ.median;
                         if (a.finalQ.q1 != b.finalQ.q1)
                             return a.finalQ.q1 < b.finalQ.q1;
                         return a.finalQ.best < b.finalQ.best;
                     });
    return settings;
}

nlohmann::json ComparisonCurves(SQLite::Database& db, const SeriesPlan& plan,
                                const std::vector<SettingFinals>& settings, std::size_t maxPoints,
                                const std::function<bool()>& stop)
{
    nlohmann::json charted = nlohmann::json::array();
    SQLite::Statement select(
        db, "SELECT g.generation, g.best_q FROM runs JOIN generations AS g ON g.run_id = runs.id "
            "WHERE runs.status = 'done' AND runs.generations = ? AND runs.mutants = ? AND "
            "runs.step_ppm = ? AND " + SeedCondition(plan) + " AND g.generation BETWEEN ? AND ?");
    for (const SettingFinals& entry : settings) {
        if (charted.size() == kChartedSettings || entry.summary.runs == 0)
            break;
        if (stop && stop())
            return nullptr;
        const SettingSummary& s = entry.summary;
        const std::vector<int> sampled = SampledGenerations(s.setting.generations, maxPoints);
        const std::size_t perBlock = std::max<std::size_t>(1, kBlockValues / s.runs);
        nlohmann::json generations = nlohmann::json::array();
        nlohmann::json q1 = nlohmann::json::array();
        nlohmann::json median = nlohmann::json::array();
        nlohmann::json q3 = nlohmann::json::array();
        for (std::size_t first = 0; first < sampled.size(); first += perBlock) {
            const std::size_t end = std::min(sampled.size(), first + perBlock);
            const auto from = sampled.begin() + static_cast<std::ptrdiff_t>(first);
            const auto to = sampled.begin() + static_cast<std::ptrdiff_t>(end);
            std::vector<std::vector<double>> values(end - first);
            select.reset();
            select.bind(1, s.setting.generations);
            select.bind(2, s.setting.mutants);
            select.bind(3, s.setting.stepPpm);
            select.bind(4, *from);
            select.bind(5, *(to - 1));
            while (select.executeStep()) {
                const int generation = select.getColumn(0).getInt();
                const auto at = std::lower_bound(from, to, generation);
                if (at != to && *at == generation)
                    values[static_cast<std::size_t>(at - from)].push_back(
                        select.getColumn(1).getDouble());
            }
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (values[i].empty())
                    continue;
                const FiveNumbers five = Summarise(values[i]);
                generations.push_back(sampled[first + i]);
                q1.push_back(five.q1);
                median.push_back(five.median);
                q3.push_back(five.q3);
            }
        }
        nlohmann::json outliers = nlohmann::json::array();
        for (std::size_t i = 0; i < s.outliers.size() && i < kBoxOutliers; ++i)
            outliers.push_back(s.outliers[i]);
        charted.push_back({
            {"label", SettingLabel(s.setting)},
            {"generations", s.setting.generations},
            {"mutants", s.setting.mutants},
            {"step_ppm", s.setting.stepPpm},
            {"runs", s.runs},
            {"convergence",
             {{"generation", generations}, {"q1", q1}, {"median", median}, {"q3", q3}}},
            {"box",
             {{"low_whisker", s.lowWhisker},
              {"q1", s.finalQ.q1},
              {"median", s.finalQ.median},
              {"q3", s.finalQ.q3},
              {"high_whisker", s.highWhisker},
              {"outliers", outliers},
              {"outliers_total", s.outliers.size()}}},
            {"ecdf", Ecdf(entry.finalQs)},
        });
    }
    return {{"settings", std::move(charted)},
            {"charted_at_most", kChartedSettings},
            {"settings_total", settings.size()}};
}

}  // namespace zarudiv
