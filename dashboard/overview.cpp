#include "dashboard/overview.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>
#include <cmath>

#include "dashboard/plan_rows.h"
#include "dashboard/series_reader.h"
#include "series/series_store.h"

namespace zarudiv {

namespace {

// The rate of finished runs is taken over the last few minutes the server saw.
constexpr std::chrono::minutes kRateWindow{5};

// Where a series records a run in flight, the columns may be called so; the
// first one the table has is taken.
const std::vector<std::string> kGenerationColumns = {"current_generation", "generation",
                                                     "generations_done"};
const std::vector<std::string> kLiveQColumns = {"current_best_q", "best_q"};

std::string FirstOf(const std::vector<std::string>& candidates, const std::vector<std::string>& columns)
{
    for (const std::string& name : candidates)
        if (std::find(columns.begin(), columns.end(), name) != columns.end())
            return name;
    return {};
}

nlohmann::json NumberListJson(const std::vector<int>& values)
{
    nlohmann::json list = nlohmann::json::array();
    for (int v : values)
        list.push_back(v);
    return list;
}

}  // namespace

nlohmann::json ColumnValue(const SQLite::Column& column)
{
    if (column.isNull())
        return nullptr;
    if (column.isInteger())
        return column.getInt64();
    if (column.isFloat()) {
        const double value = column.getDouble();
        return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
    }
    return column.getString();
}

nlohmann::json OverviewBuilder::build(SQLite::Database& db, Clock::time_point now)
{
    nlohmann::json overview;
    const std::set<std::string> columnSet = TableColumns(db, "runs");
    const std::vector<std::string> columns(columnSet.begin(), columnSet.end());
    overview["database"] = {
        {"schema_version", db.execAndGet("PRAGMA user_version").getInt()},
        {"run_columns", columns},
    };

    nlohmann::json plans = nlohmann::json::array();
    for (const PlanStarts& starts : ReadPlans(db)) {
        SQLite::Statement counts(db, "SELECT status, count(*), min(best_q), sum(seconds) FROM runs "
                                     "WHERE " + PlanCondition(starts.plan) + " GROUP BY status");
        std::map<std::string, std::int64_t> byStatus;
        nlohmann::json bestQ = nullptr;
        double doneSeconds = 0.0;
        while (counts.executeStep()) {
            const std::string status = counts.getColumn(0).getString();
            byStatus[status] = counts.getColumn(1).getInt64();
            if (status == "done") {
                bestQ = ColumnValue(counts.getColumn(2));
                doneSeconds = counts.getColumn(3).getDouble();
            }
        }
        const std::int64_t total = static_cast<std::int64_t>(starts.plan.runCount());
        const std::int64_t done = byStatus["done"];
        const std::int64_t failed = byStatus["failed"];
        const std::int64_t running = byStatus["running"];

        // How fast runs have been finishing lately, as this server saw it.
        std::deque<Sample>& seen = finishedSeen_[starts.key];
        seen.push_back(Sample{now, done + failed});
        while (seen.size() > 2 && now - seen[1].when > kRateWindow)
            seen.pop_front();
        nlohmann::json estimate = nullptr;
        const std::int64_t left = std::max<std::int64_t>(0, total - done - failed);
        const double window = std::chrono::duration<double>(now - seen.front().when).count();
        const std::int64_t finishedInWindow = seen.back().finished - seen.front().finished;
        if (left > 0 && finishedInWindow > 0 && window > 0.0) {
            const double rate = static_cast<double>(finishedInWindow) / window;
            estimate = {{"seconds_left", static_cast<double>(left) / rate},
                        {"runs_per_second", rate},
                        {"from", "the runs finished in the last " +
                                     std::to_string(static_cast<int>(window)) + " s"}};
        } else if (left > 0 && running > 0 && done > 0 && doneSeconds > 0.0) {
            const double perRun = doneSeconds / static_cast<double>(done);
            estimate = {{"seconds_left", static_cast<double>(left) * perRun / static_cast<double>(running)},
                        {"runs_per_second", static_cast<double>(running) / perRun},
                        {"from", "the mean time of a done run and the runs in flight"}};
        }

        nlohmann::json plan = {
            {"key", starts.key},
            {"starts", starts.startIds.size()},
            {"first_started", starts.firstStarted},
            {"last_started", starts.lastStarted},
            {"command_line", starts.commandLine},
            {"host", starts.host},
            {"program_version", starts.version},
            {"generations", NumberListJson(starts.plan.generations)},
            {"mutants", NumberListJson(starts.plan.mutants)},
            {"step_ppm", NumberListJson(starts.plan.steps)},
            {"first_seed", starts.plan.firstSeed},
            {"repeat", starts.plan.repeat},
            {"settings", starts.plan.settingCount()},
            {"runs", total},
            {"done", done},
            {"failed", failed},
            {"running", running},
            {"pending", std::max<std::int64_t>(0, total - done - failed - running)},
            {"best_q", bestQ},
            {"estimate", estimate},
        };
        plans.push_back(std::move(plan));
    }
    overview["plans"] = std::move(plans);
    overview["running"] = runningRuns(db, columns, now);

    const bool hasHost = columnSet.count("host") != 0;
    SQLite::Statement failed(db, std::string("SELECT id, generations, mutants, step_ppm, seed, error, ") +
                                     (hasHost ? "host" : "NULL") +
                                     " FROM runs WHERE status = 'failed' ORDER BY id DESC LIMIT " +
                                     std::to_string(kListedRuns));
    nlohmann::json failedRuns = nlohmann::json::array();
    while (failed.executeStep())
        failedRuns.push_back({{"id", failed.getColumn(0).getInt64()},
                              {"generations", failed.getColumn(1).getInt()},
                              {"mutants", failed.getColumn(2).getInt()},
                              {"step_ppm", failed.getColumn(3).getInt()},
                              {"seed", failed.getColumn(4).getInt64()},
                              {"error", ColumnValue(failed.getColumn(5))},
                              {"host", ColumnValue(failed.getColumn(6))}});
    overview["failed"] = std::move(failedRuns);
    overview["failed_total"] =
        db.execAndGet("SELECT count(*) FROM runs WHERE status = 'failed'").getInt64();
    return overview;
}

nlohmann::json OverviewBuilder::runningRuns(SQLite::Database& db,
                                            const std::vector<std::string>& columns,
                                            Clock::time_point now)
{
    // Whatever the series records about a run in flight is shown as it is.
    SQLite::Statement select(db, "SELECT * FROM runs WHERE status = 'running' ORDER BY id LIMIT " +
                                     std::to_string(kListedRuns));
    const std::string generationColumn = FirstOf(kGenerationColumns, columns);
    const std::string qColumn = FirstOf(kLiveQColumns, columns);
    nlohmann::json runs = nlohmann::json::array();
    std::map<std::int64_t, LiveRun> stillLive;
    while (select.executeStep()) {
        nlohmann::json row;
        for (int i = 0; i < select.getColumnCount(); ++i)
            row[select.getColumnName(i)] = ColumnValue(select.getColumn(i));
        const std::int64_t id = row["id"].get<std::int64_t>();
        LiveRun live = live_.count(id) ? std::move(live_[id]) : LiveRun{now, {}};
        LivePoint point{std::chrono::duration<double>(now - live.firstSeen).count(),
                        generationColumn.empty() ? nlohmann::json(nullptr) : row[generationColumn],
                        qColumn.empty() ? nlohmann::json(nullptr) : row[qColumn]};
        if (!point.bestQ.is_null() &&
            (live.points.empty() || live.points.back().generation != point.generation ||
             live.points.back().bestQ != point.bestQ))
            live.points.push_back(point);
        if (live.points.size() > kLivePoints)  // keep the start, thin the rest
            live.points.erase(live.points.begin() + 1);
        nlohmann::json curve = nlohmann::json::array();
        for (const LivePoint& p : live.points)
            curve.push_back({p.seconds, p.generation, p.bestQ});
        row["live_curve"] = std::move(curve);
        runs.push_back(std::move(row));
        stillLive[id] = std::move(live);
    }
    live_ = std::move(stillLive);
    return {{"runs", std::move(runs)},
            {"generation_column", generationColumn},
            {"best_q_column", qColumn}};
}

}  // namespace zarudiv
