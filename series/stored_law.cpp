#include "series/stored_law.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <memory>

#include "series/series_store.h"

namespace zarudiv {

std::string StoredLaw(const std::string& databaseFile, std::int64_t runId)
{
    using Kind = StoredLawError::Kind;
    std::unique_ptr<SQLite::Database> db;
    try {
        const std::string path =
            SqliteTakesAsSpecial(databaseFile) ? "./" + databaseFile : databaseFile;
        db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READONLY, 10000);
        if (db->execAndGet("PRAGMA application_id").getInt() != SeriesStore::kApplicationId)
            throw StoredLawError(Kind::NotOurs, "not a series database");
    } catch (const SQLite::Exception& error) {
        throw StoredLawError(error.getErrorCode() == SQLITE_NOTADB ? Kind::NotOurs : Kind::CannotOpen,
                             error.what());
    }
    try {
        SQLite::Statement select(*db, "SELECT status FROM runs WHERE id = ?");
        select.bind(1, runId);
        if (!select.executeStep())
            throw StoredLawError(Kind::NoLaw, "the database has no run " + std::to_string(runId));
        const std::string status = select.getColumn(0).getString();
        if (status != "done")
            throw StoredLawError(Kind::NoLaw, "run " + std::to_string(runId) + " is " + status +
                                                  ", not done: it has no best law yet");
        // A database of a version before the laws has no such column.
        bool hasLaw = false;
        SQLite::Statement columns(*db, "SELECT 1 FROM pragma_table_info('runs') WHERE name = 'best_law'");
        hasLaw = columns.executeStep();
        std::string law;
        if (hasLaw) {
            SQLite::Statement get(*db, "SELECT best_law FROM runs WHERE id = ?");
            get.bind(1, runId);
            get.executeStep();
            if (!get.getColumn(0).isNull())
                law = get.getColumn(0).getString();
        }
        if (law.empty())
            throw StoredLawError(Kind::NoLaw,
                                 "run " + std::to_string(runId) +
                                     " was stored by a version that kept no law; zarudiv-run "
                                     "--law-out FILE with the run's settings and seed writes it");
        return law;
    } catch (const SQLite::Exception& error) {
        throw StoredLawError(Kind::NotOurs, error.what());
    }
}

}  // namespace zarudiv
