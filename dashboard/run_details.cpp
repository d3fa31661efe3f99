#include "dashboard/run_details.h"

#include <SQLiteCpp/Statement.h>

#include "dashboard/overview.h"
#include "dashboard/run_law.h"
#include "dashboard/run_replay.h"
#include "series/series_store.h"

namespace zarudiv {

std::optional<StoredRun> FindRun(SQLite::Database& db, std::int64_t id)
{
    SQLite::Statement select(db, "SELECT generations, mutants, step_ppm, seed, status, "
                                 "protocol_sha256 FROM runs WHERE id = ?");
    select.bind(1, id);
    if (!select.executeStep())
        return std::nullopt;
    StoredRun run;
    run.id = id;
    run.key.setting = {select.getColumn(0).getInt(), select.getColumn(1).getInt(),
                       select.getColumn(2).getInt()};
    run.key.seed = static_cast<std::uint32_t>(select.getColumn(3).getInt64());
    run.status = select.getColumn(4).getString();
    if (!select.getColumn(5).isNull())
        run.protocolSha256 = select.getColumn(5).getString();
    return run;
}

nlohmann::json RunPage(SQLite::Database& db, const std::set<std::string>& runColumns,
                       const StoredRun& run)
{
    nlohmann::json page;
    {
        SQLite::Statement select(db, "SELECT * FROM runs WHERE id = ?");
        select.bind(1, run.id);
        nlohmann::json row;
        if (select.executeStep())
            for (int i = 0; i < select.getColumnCount(); ++i)
                if (std::string(select.getColumnName(i)) != "best_law")  // under "law"
                    row[select.getColumnName(i)] = ColumnValue(select.getColumn(i));
        page["run"] = std::move(row);
    }
    nlohmann::json generation = nlohmann::json::array();
    nlohmann::json bestQ = nlohmann::json::array();
    nlohmann::json stepWidth = nlohmann::json::array();
    nlohmann::json accepted = nlohmann::json::array();
    SQLite::Statement curve(db, "SELECT generation, best_q, step_width, accepted FROM generations "
                                "WHERE run_id = ? ORDER BY generation");
    curve.bind(1, run.id);
    while (curve.executeStep()) {
        generation.push_back(curve.getColumn(0).getInt());
        bestQ.push_back(ColumnValue(curve.getColumn(1)));
        stepWidth.push_back(ColumnValue(curve.getColumn(2)));
        accepted.push_back(curve.getColumn(3).getInt64());
    }
    page["curve"] = {{"generation", std::move(generation)},
                     {"best_q", std::move(bestQ)},
                     {"step_width", std::move(stepWidth)},
                     {"accepted", std::move(accepted)}};
    page["law"] = RunLaw(db, runColumns, run.id);
    page["setting"] = SettingLabel(run.key.setting);
    page["replay_command"] = ReplayCommandLine(run.key);
    page["protocol_name"] = ProtocolFileName(run.key);
    return page;
}

nlohmann::json RunList(SQLite::Database& db, const std::set<std::string>& runColumns,
                       const RunListQuery& query)
{
    // Only numbers from the plans table and bound values reach the SQL.
    std::string where = "1";
    if (query.plan)
        where += " AND " + PlanCondition(*query.plan);
    if (query.status)
        where += " AND status = :status";
    if (query.setting)
        where += " AND generations = :g AND mutants = :m AND step_ppm = :p";
    const auto bindAll = [&](SQLite::Statement& statement) {
        if (query.status)
            statement.bind(":status", *query.status);
        if (query.setting) {
            statement.bind(":g", query.setting->generations);
            statement.bind(":m", query.setting->mutants);
            statement.bind(":p", query.setting->stepPpm);
        }
    };
    std::int64_t total = 0;
    if (query.knownTotal) {
        total = *query.knownTotal;
    } else {
        SQLite::Statement count(db, "SELECT count(*) FROM runs WHERE " + where);
        bindAll(count);
        count.executeStep();
        total = count.getColumn(0).getInt64();
    }

    const bool hasHost = runColumns.count("host") != 0;
    SQLite::Statement select(
        db, std::string("SELECT id, generations, mutants, step_ppm, seed, status, best_q, "
                        "best_generation, seconds, error, ") +
                (hasHost ? "host" : "NULL") +
                // In id order the table itself is read from the start and
                // left after the page; a setting's runs come from the index.
                (query.setting || query.byBestQ ? " FROM runs" : " FROM runs NOT INDEXED") +
                " WHERE " + where +
                (query.byBestQ ? " ORDER BY best_q IS NULL, best_q, id" : " ORDER BY id") +
                " LIMIT :limit OFFSET :offset");
    bindAll(select);
    select.bind(":limit", query.limit);
    select.bind(":offset", query.offset);
    nlohmann::json runs = nlohmann::json::array();
    while (select.executeStep()) {
        nlohmann::json row;
        static const char* const names[] = {"id",     "generations",     "mutants", "step_ppm",
                                            "seed",   "status",          "best_q",  "best_generation",
                                            "seconds", "error",          "host"};
        for (int i = 0; i < 11; ++i)
            row[names[i]] = ColumnValue(select.getColumn(i));
        runs.push_back(std::move(row));
    }
    return {{"total", total}, {"offset", query.offset}, {"runs", std::move(runs)}};
}

}  // namespace zarudiv
