#include "analysis/series_reader.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

// For the schema's version and application id only (constants of the
// header); nothing of the store's library is linked.
#include "series/series_store.h"

namespace zarudiv {

namespace {

using Kind = SeriesReadError::Kind;

// A series holds its write lock only while it stores one run.
constexpr int kBusyTimeoutMs = 10000;

// SQLite takes ":memory:" for a database in memory and a name that begins
// with "file:" for a URI; "./" in front makes either the file it names. (The
// series' store keeps the same rule, in a library the analysis does without.)
std::string PlainFileName(const std::string& fileName)
{
    const bool special = fileName == ":memory:" || fileName.rfind("file:", 0) == 0;
    return special ? "./" + fileName : fileName;
}

void CheckSchema(SQLite::Database& db, SeriesData& data)
{
    const int applicationId = db.execAndGet("PRAGMA application_id").getInt();
    const int version = db.execAndGet("PRAGMA user_version").getInt();
    if (applicationId != SeriesStore::kApplicationId) {
        const int objects = db.execAndGet("SELECT count(*) FROM sqlite_master").getInt();
        throw SeriesReadError(Kind::NotOurs,
                              objects == 0 ? "an empty SQLite database, not a series database"
                                           : "an SQLite database of another program, not a series "
                                             "database");
    }
    if (version < 1 || version > SeriesStore::kSchemaVersion)
        throw SeriesReadError(Kind::NotOurs,
                              "a series database of schema version " + std::to_string(version) +
                                  ", which this program does not know (it reads 1 to " +
                                  std::to_string(SeriesStore::kSchemaVersion) + ")");
    data.schemaVersion = version;
}

void ReadPlans(SQLite::Database& db, SeriesData& data)
{
    SQLite::Statement select(db, "SELECT id, command_line, started, program_version, host, "
                                 "generations, mutants, step_ppm, first_seed, repeat, runs "
                                 "FROM plans ORDER BY id");
    while (select.executeStep()) {
        PlanRow plan;
        plan.id = select.getColumn(0).getInt64();
        plan.commandLine = select.getColumn(1).getString();
        plan.started = select.getColumn(2).getString();
        plan.version = select.getColumn(3).getString();
        plan.host = select.getColumn(4).getString();
        plan.generations = select.getColumn(5).getString();
        plan.mutants = select.getColumn(6).getString();
        plan.steps = select.getColumn(7).getString();
        plan.firstSeed = select.getColumn(8).getInt64();
        plan.repeat = select.getColumn(9).getInt64();
        plan.runs = select.getColumn(10).getInt64();
        data.plans.push_back(std::move(plan));
    }
}

// A done run while its generations are read: where it goes.
struct RunSlot {
    std::int64_t id = 0;
    std::size_t setting = 0;
    std::size_t index = 0;  // in the setting's runs
    bool broken = false;    // generations missing or out of order
};

void ReadRuns(SQLite::Database& db, SeriesData& data)
{
    std::map<Setting, std::size_t> settingIndex;
    {
        SQLite::Statement select(
            db, "SELECT generations, mutants, step_ppm, count(*) - sum(status = 'done') "
                "FROM runs GROUP BY generations, mutants, step_ppm ORDER BY min(id)");
        while (select.executeStep()) {
            SettingRuns s;
            s.setting = Setting{select.getColumn(0).getInt(), select.getColumn(1).getInt(),
                                select.getColumn(2).getInt()};
            s.notDone = static_cast<std::size_t>(select.getColumn(3).getInt64());
            settingIndex.emplace(s.setting, data.settings.size());
            data.settings.push_back(std::move(s));
        }
    }
    {
        SQLite::Statement select(db, "SELECT status, count(*) FROM runs GROUP BY status "
                                     "ORDER BY status");
        while (select.executeStep())
            data.statusCounts.push_back(
                RunCount{select.getColumn(0).getString(), select.getColumn(1).getInt64()});
    }

    std::vector<RunSlot> slots;
    {
        SQLite::Statement select(db, "SELECT id, generations, mutants, step_ppm, seed, best_q, "
                                     "best_generation FROM runs WHERE status = 'done' ORDER BY id");
        while (select.executeStep()) {
            const Setting setting{select.getColumn(1).getInt(), select.getColumn(2).getInt(),
                                  select.getColumn(3).getInt()};
            SettingRuns& s = data.settings[settingIndex.at(setting)];
            DoneRun run;
            run.id = select.getColumn(0).getInt64();
            run.seed = static_cast<std::uint32_t>(select.getColumn(4).getInt64());
            run.finalQ = select.getColumn(5).getDouble();
            run.bestGeneration = select.getColumn(6).getInt();
            run.curve.reserve(static_cast<std::size_t>(std::max(0, setting.generations)));
            slots.push_back(RunSlot{run.id, settingIndex.at(setting), s.runs.size(), false});
            s.runs.push_back(std::move(run));
        }
    }

    // One pass over the generations, in key order; both lists are by run
    // id. Rows of runs that are not done (a newer series may store them as
    // it goes) are passed over.
    SQLite::Statement select(db, "SELECT run_id, generation, best_q FROM generations "
                                 "ORDER BY run_id, generation");
    std::size_t at = 0;
    while (select.executeStep()) {
        const std::int64_t runId = select.getColumn(0).getInt64();
        while (at < slots.size() && slots[at].id < runId)
            ++at;
        if (at == slots.size())
            break;
        if (slots[at].id != runId)
            continue;
        RunSlot& slot = slots[at];
        std::vector<double>& curve = data.settings[slot.setting].runs[slot.index].curve;
        const std::int64_t generation = select.getColumn(1).getInt64();
        const double q = select.getColumn(2).getDouble();
        if (generation != static_cast<std::int64_t>(curve.size()) + 1) {
            slot.broken = true;
            continue;
        }
        // The best so far, which is what the series stores; kept so even in
        // a database edited by hand, as the views need it.
        curve.push_back(curve.empty() ? q : std::min(curve.back(), q));
    }

    for (const RunSlot& slot : slots) {
        SettingRuns& s = data.settings[slot.setting];
        DoneRun& run = s.runs[slot.index];
        if (slot.broken || run.curve.size() != static_cast<std::size_t>(s.setting.generations)) {
            data.leftOut.push_back("run " + std::to_string(run.id) + " (" +
                                   SettingLabel(s.setting) + ", seed " + std::to_string(run.seed) +
                                   ") has " + std::to_string(run.curve.size()) + " of its " +
                                   std::to_string(s.setting.generations) +
                                   " generations stored in order");
            run.id = -1;
        }
    }
    for (SettingRuns& s : data.settings) {
        const auto broken = std::remove_if(s.runs.begin(), s.runs.end(),
                                           [](const DoneRun& run) { return run.id < 0; });
        s.notDone += static_cast<std::size_t>(s.runs.end() - broken);
        s.runs.erase(broken, s.runs.end());
        std::sort(s.runs.begin(), s.runs.end(),
                  [](const DoneRun& a, const DoneRun& b) { return a.seed < b.seed; });
    }
}

}  // namespace

SeriesData ReadSeries(const std::string& fileName)
{
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0)
        throw SeriesReadError(Kind::CannotOpen, std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw SeriesReadError(Kind::CannotOpen, "not a regular file");

    SeriesData data;
    data.fileName = fileName;
    std::unique_ptr<SQLite::Database> db;
    try {
        const std::string path = PlainFileName(fileName);
        // One thread uses the connection: no mutex around each column read
        // (a tenth of the time on ten million rows).
        db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READONLY | SQLite::OPEN_NOMUTEX,
                                                kBusyTimeoutMs);
        // One snapshot: a series that stores runs meanwhile changes nothing
        // of what is read here.
        db->exec("BEGIN");
        CheckSchema(*db, data);
        ReadPlans(*db, data);
        ReadRuns(*db, data);
        db->exec("COMMIT");
    } catch (const SQLite::Exception& error) {
        const int code = error.getErrorCode();
        if (code == SQLITE_NOTADB)
            throw SeriesReadError(Kind::NotOurs,
                                  std::string("not a series database (") + error.what() + ")");
        if (code == SQLITE_CANTOPEN || code == SQLITE_PERM || code == SQLITE_AUTH)
            throw SeriesReadError(Kind::CannotOpen, error.what());
        throw SeriesReadError(Kind::Read, error.what());
    }
    return data;
}

}  // namespace zarudiv
