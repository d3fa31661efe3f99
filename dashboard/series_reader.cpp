#include "dashboard/series_reader.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "series/series_store.h"

namespace zarudiv {

std::unique_ptr<SQLite::Database> OpenSeriesReadOnly(const std::string& fileName)
{
    using Kind = SeriesReadError::Kind;
    // Read-only, SQLite would not create a missing file, but the message
    // would only say that it cannot open it.
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        if (errno == ENOENT)
            throw SeriesReadError(Kind::Missing, "no such file; give the --db of a series");
        throw SeriesReadError(Kind::CannotOpen, std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode))
        throw SeriesReadError(Kind::CannotOpen, "not a regular file");
    const std::string path = SqliteTakesAsSpecial(fileName) ? "./" + fileName : fileName;
    try {
        auto db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READONLY, 10000);
        const int applicationId = db->execAndGet("PRAGMA application_id").getInt();
        const int version = db->execAndGet("PRAGMA user_version").getInt();
        if (applicationId != SeriesStore::kApplicationId)
            throw SeriesReadError(Kind::NotOurs,
                                  info.st_size == 0
                                      ? "an empty file, not a series database"
                                      : "an SQLite database of another program, not a series "
                                        "database");
        if (version < 1)
            throw SeriesReadError(Kind::NotOurs, "a series database without a schema version");
        for (const char* table : {"plans", "runs", "generations"})
            if (TableColumns(*db, table).empty())
                throw SeriesReadError(Kind::NotOurs, std::string("a series database without its ") +
                                                         table + " table");
        return db;
    } catch (const SQLite::Exception& error) {
        const int code = error.getErrorCode();
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
            throw SeriesReadError(Kind::NotOurs,
                                  std::string("not a series database (") + error.what() + ")");
        throw SeriesReadError(Kind::CannotOpen, error.what());
    }
}

std::set<std::string> TableColumns(SQLite::Database& db, const std::string& table)
{
    // The table's name is one of ours, never a request's.
    SQLite::Statement info(db, "SELECT name FROM pragma_table_info(?)");
    info.bind(1, table);
    std::set<std::string> names;
    while (info.executeStep())
        names.insert(info.getColumn(0).getString());
    return names;
}

ReaderPool::ReaderPool(std::string fileName, std::size_t size) : fileName_(std::move(fileName))
{
    for (std::size_t i = 0; i < size; ++i)
        free_.push_back(OpenSeriesReadOnly(fileName_));
}

ReaderPool::Lease ReaderPool::take()
{
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [this] { return !free_.empty(); });
    auto db = std::move(free_.back());
    free_.pop_back();
    return Lease(*this, std::move(db));
}

void ReaderPool::giveBack(std::unique_ptr<SQLite::Database> db)
{
    {
        std::lock_guard lock(mutex_);
        free_.push_back(std::move(db));
    }
    freed_.notify_one();
}

}  // namespace zarudiv
