#pragma once
// The dashboard's way into a series database: read-only connections of its
// own (SQLITE_OPEN_READONLY), never the series' lock, so that it can look at
// a database while a series writes it. Databases of every schema version the
// series has written are read; which columns a table has is asked, not assumed.

#include <SQLiteCpp/Database.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace zarudiv {

class SeriesReadError : public std::runtime_error {
public:
    enum class Kind {
        Missing,  // nothing at that path
        NotOurs,  // not SQLite, or not a series database
        CannotOpen,
    };
    SeriesReadError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Opens the file read-only and checks that it is a series database. Throws
// SeriesReadError.
std::unique_ptr<SQLite::Database> OpenSeriesReadOnly(const std::string& fileName);

// The column names of a table, as PRAGMA table_info gives them.
std::set<std::string> TableColumns(SQLite::Database& db, const std::string& table);

// A few read-only connections shared by the server's threads: a connection
// is used by one thread at a time.
class ReaderPool {
public:
    ReaderPool(std::string fileName, std::size_t size);

    class Lease {
    public:
        Lease(ReaderPool& pool, std::unique_ptr<SQLite::Database> db)
            : pool_(&pool), db_(std::move(db))
        {
        }
        ~Lease()
        {
            if (db_)
                pool_->giveBack(std::move(db_));
        }
        Lease(Lease&& other) noexcept = default;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Lease& operator=(Lease&&) = delete;
        SQLite::Database& operator*() const { return *db_; }
        SQLite::Database* operator->() const { return db_.get(); }

    private:
        ReaderPool* pool_;
        std::unique_ptr<SQLite::Database> db_;
    };

    // Waits for a free connection.
    Lease take();
    const std::string& fileName() const { return fileName_; }

private:
    void giveBack(std::unique_ptr<SQLite::Database> db);

    std::string fileName_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<SQLite::Database>> free_;
};

}  // namespace zarudiv
