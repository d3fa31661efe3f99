#include "series/series_store.h"

#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <cstring>

#include "series/database_header.h"

namespace zarudiv {

namespace {

// The disk or the permissions, not the name: the same command may work
// elsewhere or later.
bool CannotWriteThere(int code)
{
    return code == EROFS || code == ENOSPC || code == EDQUOT || code == EIO || code == EACCES ||
           code == EPERM;
}

bool CannotWriteThere(const SQLite::Exception& error)
{
    switch (error.getErrorCode() & 0xFF) {
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_NOMEM:
        return true;
    default:
        return false;
    }
}

// The runs table's columns, one text for the schema and for the upgrade that
// makes the table anew.
constexpr const char* kRunsColumns = R"sql(
    id INTEGER PRIMARY KEY,
    plan_id INTEGER NOT NULL REFERENCES plans(id),
    generations INTEGER NOT NULL,
    mutants INTEGER NOT NULL,
    step_ppm INTEGER NOT NULL,
    seed INTEGER NOT NULL,
    status TEXT NOT NULL DEFAULT 'pending' CHECK (status IN ('pending', 'running', 'done', 'failed')),
    best_q REAL,
    best_generation INTEGER,
    evaluations INTEGER,
    seconds REAL,
    protocol_sha256 TEXT,
    error TEXT,
    host TEXT,
    best_law TEXT,
    best_step REAL,
    started TEXT,
    current_generation INTEGER,
    current_best_q REAL,
    UNIQUE (generations, mutants, step_ppm, seed));
)sql";

const std::string kSchema = R"sql(
CREATE TABLE plans(
    id INTEGER PRIMARY KEY,
    command_line TEXT NOT NULL,
    started TEXT NOT NULL,
    program_version TEXT NOT NULL,
    host TEXT NOT NULL,
    generations TEXT NOT NULL,
    mutants TEXT NOT NULL,
    step_ppm TEXT NOT NULL,
    first_seed INTEGER NOT NULL,
    repeat INTEGER NOT NULL,
    runs INTEGER NOT NULL);
CREATE TABLE runs()sql" + std::string(kRunsColumns) + R"sql(CREATE TABLE generations(
    run_id INTEGER NOT NULL REFERENCES runs(id),
    generation INTEGER NOT NULL,
    best_q REAL NOT NULL,
    step_width REAL NOT NULL,
    accepted INTEGER NOT NULL,
    PRIMARY KEY (run_id, generation)) WITHOUT ROWID;
)sql";

// Generation rows go in by statements of several rows each (one statement
// per row costs more than the row): as many of the first size as fit, then
// of the next.
constexpr std::size_t kGenerationChunks[] = {32, 4, 1};
// A campaign's state kept for its run: a stopped run's (with its rows), so
// that it goes on from there; a done run's end (its rows are in the
// generations table), so that a longer run of the same campaign goes on
// from there. The campaign's columns find the states of one campaign.
constexpr const char* kRunStates = R"sql(
CREATE TABLE run_states(
    run_id INTEGER PRIMARY KEY REFERENCES runs(id),
    mutants INTEGER NOT NULL,
    step_ppm INTEGER NOT NULL,
    seed INTEGER NOT NULL,
    generation INTEGER NOT NULL,
    state BLOB NOT NULL);
CREATE INDEX run_states_of_campaign ON run_states(mutants, step_ppm, seed, generation);
)sql";

// The runs table of version 4 made anew with the status 'running' and the
// columns of a run in flight. The foreign keys are off (see
// checkOrCreateSchema), so the references to runs outlive the drop.
const std::string kRunsInFlight = R"sql(
CREATE TABLE runs_new()sql" + std::string(kRunsColumns) + R"sql(
INSERT INTO runs_new(id, plan_id, generations, mutants, step_ppm, seed, status, best_q,
    best_generation, evaluations, seconds, protocol_sha256, error, host, best_law, best_step)
    SELECT id, plan_id, generations, mutants, step_ppm, seed, status, best_q, best_generation,
    evaluations, seconds, protocol_sha256, error, host, best_law, best_step FROM runs;
DROP TABLE runs;
ALTER TABLE runs_new RENAME TO runs;
)sql";

std::string JoinNumbers(const std::vector<int>& values)
{
    std::string text;
    for (int v : values) {
        if (!text.empty())
            text += ',';
        text += std::to_string(v);
    }
    return text;
}

std::string SettingCondition(const SeriesPlan& plan)
{
    return "generations = ? AND mutants = ? AND step_ppm = ? AND " + SeedCondition(plan);
}

void BindSetting(SQLite::Statement& statement, const Setting& setting)
{
    statement.bind(1, setting.generations);
    statement.bind(2, setting.mutants);
    statement.bind(3, setting.stepPpm);
}

template <typename Work>
void Writing(Work&& work)
{
    try {
        work();
    } catch (const SQLite::Exception& error) {
        throw SeriesStoreError(SeriesStoreError::Kind::Write, error.what());
    }
}

}  // namespace

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool SqliteTakesAsSpecial(const std::string& fileName)
{
    return fileName == ":memory:" || fileName.rfind("file:", 0) == 0;
}

std::string SeedCondition(const SeriesPlan& plan)
{
    const std::uint32_t first = plan.firstSeed;
    const std::uint32_t last = plan.lastSeed();
    if (first <= last)
        return "seed BETWEEN " + std::to_string(first) + " AND " + std::to_string(last);
    // The seeds wrap round after 2^32 - 1.
    return "(seed >= " + std::to_string(first) + " OR seed <= " + std::to_string(last) + ")";
}

std::string PlanCondition(const SeriesPlan& plan)
{
    return "generations IN (" + JoinNumbers(plan.generations) + ") AND mutants IN (" +
           JoinNumbers(plan.mutants) + ") AND step_ppm IN (" + JoinNumbers(plan.steps) +
           ") AND " + SeedCondition(plan);
}

SeriesStore::SeriesStore(const std::string& fileName) : fileName_(fileName)
{
    using Kind = SeriesStoreError::Kind;
    // The lock is a flock on the file itself, independent of SQLite's own
    // (POSIX) locks. The descriptor stays open until SQLite has closed the
    // database: closing any descriptor of a file drops the process's POSIX
    // locks on it.
    lockFd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created_ = lockFd_ >= 0;
    if (lockFd_ < 0 && errno == EEXIST)
        lockFd_ = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    if (lockFd_ < 0) {
        const int code = errno;
        throw SeriesStoreError(CannotWriteThere(code) ? Kind::Write : Kind::CannotOpen,
                               std::strerror(code));
    }
    struct stat info {};
    if (::fstat(lockFd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        throw SeriesStoreError(Kind::CannotOpen, "not a regular file");
    }
    // SQLite keeps the write-ahead log beside the name it was given: under
    // a second name a series sees none of it, and a later start under the
    // first rolls back what the second stored.
    if (info.st_nlink > 1) {
        close();
        throw SeriesStoreError(Kind::CannotOpen,
                               "the database file has " + std::to_string(info.st_nlink) +
                                   " names (hard links), and SQLite keeps its write-ahead log "
                                   "beside one name only; use the database by one name: remove "
                                   "the other links, or give a copy");
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        close();
        if (code == EWOULDBLOCK)
            throw SeriesStoreError(Kind::InUse,
                                   "another series is using this database; wait until it has "
                                   "finished, or give another --db");
        throw SeriesStoreError(Kind::CannotOpen, std::strerror(code));
    }
    try {
        // The file just locked, by a name SQLite cannot take for anything else.
        const std::string path = SqliteTakesAsSpecial(fileName) ? "./" + fileName : fileName;
        db_ = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE, 10000);
        checkOrCreateSchema();
        for (const std::size_t rows : kGenerationChunks) {
            std::string insert = "INSERT INTO generations(run_id, generation, best_q, step_width, "
                                 "accepted) VALUES (?, ?, ?, ?, ?)";
            for (std::size_t i = 1; i < rows; ++i)
                insert += ", (?, ?, ?, ?, ?)";
            insertGenerations_.push_back(std::make_unique<SQLite::Statement>(*db_, insert));
        }
        runStatus_ = std::make_unique<SQLite::Statement>(*db_, "SELECT status FROM runs WHERE id = ?");
        markDone_ = std::make_unique<SQLite::Statement>(
            *db_, "UPDATE runs SET status = 'done', best_q = ?, best_generation = ?, "
                  "evaluations = ?, seconds = ?, protocol_sha256 = ?, host = ?, error = NULL, "
                  "best_law = ?, best_step = ?, current_generation = NULL, current_best_q = NULL "
                  "WHERE id = ? AND status <> 'done'");
        markFailed_ = std::make_unique<SQLite::Statement>(
            *db_, "UPDATE runs SET status = 'failed', error = ?, seconds = ?, host = ?, "
                  "current_generation = NULL, current_best_q = NULL "
                  "WHERE id = ? AND status <> 'done'");
        markRunning_ = std::make_unique<SQLite::Statement>(
            *db_, "UPDATE runs SET status = 'running', started = ?, host = ?, "
                  "current_generation = NULL, current_best_q = NULL "
                  "WHERE id = ? AND status <> 'done'");
        refreshRunning_ = std::make_unique<SQLite::Statement>(
            *db_, "UPDATE runs SET current_generation = ?, current_best_q = ? "
                  "WHERE id = ? AND status = 'running'");
        // A series killed while its runs were in flight left them running;
        // the lock says that no series runs them now.
        resetRunning();
        keepState_ = std::make_unique<SQLite::Statement>(
            *db_, "INSERT OR REPLACE INTO run_states(run_id, mutants, step_ppm, seed, generation, "
                  "state) VALUES (?, ?, ?, ?, ?, ?)");
    } catch (const SQLite::Exception& error) {
        const DatabaseHeader header = ReadDatabaseHeader(lockFd_);
        // A database this start could not make whole is not left behind.
        discardIfNew();
        const int code = error.getErrorCode() & 0xFF;
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) {
            if (header == DatabaseHeader::Series)
                throw SeriesStoreError(
                    Kind::NotOurs, std::string("a series database that is damaged (") +
                                       error.what() +
                                       "); it cannot be used as it stands: restore it from a "
                                       "copy, or give another --db (sqlite3's .recover may save "
                                       "its runs)");
            throw SeriesStoreError(Kind::NotOurs,
                                   std::string("not a series database (") + error.what() + ")");
        }
        throw SeriesStoreError(CannotWriteThere(error) ? Kind::Write : Kind::CannotOpen,
                               error.what());
    } catch (...) {
        discardIfNew();
        throw;
    }
}

SeriesStore::~SeriesStore() { close(); }

void SeriesStore::close()
{
    // A group not committed is rolled back as the database closes.
    insertGenerations_.clear();
    runStatus_.reset();
    keepState_.reset();
    markDone_.reset();
    markFailed_.reset();
    markRunning_.reset();
    refreshRunning_.reset();
    db_.reset();
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void SeriesStore::discardIfNew()
{
    // SQLite closes first (the last connection takes its side files along);
    // the file goes while the lock still keeps another series out.
    insertGenerations_.clear();
    runStatus_.reset();
    keepState_.reset();
    markDone_.reset();
    markFailed_.reset();
    markRunning_.reset();
    refreshRunning_.reset();
    db_.reset();
    if (created_) {
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            ::unlink((fileName_ + suffix).c_str());
        ::unlink(fileName_.c_str());
    }
    close();
}

void SeriesStore::checkOrCreateSchema()
{
    using Kind = SeriesStoreError::Kind;
    // Check, then change: nothing is written into a database of another
    // program, nor into a file that is not a database at all.
    const int applicationId = db_->execAndGet("PRAGMA application_id").getInt();
    const int version = db_->execAndGet("PRAGMA user_version").getInt();
    const int objects = db_->execAndGet("SELECT count(*) FROM sqlite_master").getInt();
    if (applicationId == kApplicationId) {
        if (version < 1 || version > kSchemaVersion)
            throw SeriesStoreError(Kind::NotOurs,
                                   "a series database of schema version " +
                                       std::to_string(version) +
                                       ", which this program does not know (it reads 1 to " +
                                       std::to_string(kSchemaVersion) + ")");
        // Our mark without our tables: made by hand, or cut short.
        const int tables = db_->execAndGet("SELECT count(*) FROM sqlite_master WHERE type = "
                                           "'table' AND name IN ('plans', 'runs', 'generations')")
                               .getInt();
        if (tables != 3)
            throw SeriesStoreError(Kind::NotOurs,
                                   "a series database without its tables (" +
                                       std::to_string(tables) +
                                       " of plans, runs and generations); it holds no runs to "
                                       "resume: give another --db, or remove the file");
    } else if (applicationId != 0 || objects != 0) {
        throw SeriesStoreError(Kind::NotOurs, "an SQLite database of another program, not a "
                                              "series database");
    }
    // SQLite answers with the mode it keeps: not WAL where the file system
    // or the VFS cannot share memory between processes.
    journalMode_ = db_->execAndGet("PRAGMA journal_mode = WAL").getString();
    // In WAL mode NORMAL loses no committed run when the process dies; only
    // a power cut may take the last few, and never leaves a half run.
    db_->exec("PRAGMA synchronous = NORMAL");
    // The references hold by construction: a plan's runs are added with the
    // plan, and a run's generations only once its row is seen pending
    // (addToGroup). Checking each generation row's reference again would
    // cost a lookup in runs per row, a fifth of the store's time.
    db_->exec("PRAGMA foreign_keys = OFF");
    if (applicationId == 0) {
        SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        db_->exec(kSchema);
        db_->exec(kRunStates);
        db_->exec("PRAGMA application_id = " + std::to_string(kApplicationId));
        db_->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
        transaction.commit();
    } else if (version < kSchemaVersion) {
        SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        // Version 1 did not say which machine ran a run.
        if (version < 2)
            db_->exec("ALTER TABLE runs ADD COLUMN host TEXT");
        // Version 2 did not keep the best law.
        if (version < 3) {
            db_->exec("ALTER TABLE runs ADD COLUMN best_law TEXT");
            db_->exec("ALTER TABLE runs ADD COLUMN best_step REAL");
        }
        // Version 3 kept no campaign states.
        if (version < 4)
            db_->exec(kRunStates);
        // Version 4 knew no runs in flight, and SQLite cannot change a
        // table's CHECK: the runs table is made anew, ids and all.
        if (version < 5)
            db_->exec(kRunsInFlight);
        db_->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
        transaction.commit();
    }
}

std::optional<std::uint64_t> SeriesStore::addPlan(const SeriesPlan& plan, const PlanRecord& record,
                                                  const std::function<bool()>& stopRequested)
{
    std::uint64_t added = 0;
    bool stopped = false;
    Writing([&] {
        SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        SQLite::Statement insertPlan(
            *db_, "INSERT INTO plans(command_line, started, program_version, host, generations, "
                  "mutants, step_ppm, first_seed, repeat, runs) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insertPlan.bind(1, record.commandLine);
        insertPlan.bind(2, record.started);
        insertPlan.bind(3, record.version);
        insertPlan.bind(4, record.host);
        insertPlan.bind(5, JoinNumbers(plan.generations));
        insertPlan.bind(6, JoinNumbers(plan.mutants));
        insertPlan.bind(7, JoinNumbers(plan.steps));
        insertPlan.bind(8, plan.firstSeed);
        insertPlan.bind(9, plan.repeat);
        insertPlan.bind(10, static_cast<std::int64_t>(plan.runCount()));
        insertPlan.exec();
        const std::int64_t planId = db_->getLastInsertRowid();

        SQLite::Statement insertRun(
            *db_, "INSERT OR IGNORE INTO runs(plan_id, generations, mutants, step_ppm, seed) "
                  "VALUES (?, ?, ?, ?, ?)");
        insertRun.bind(1, planId);
        for (std::uint64_t i = 0; i < plan.runCount(); ++i) {
            // Leaving rolls the transaction back: all of the plan or nothing.
            if (i % 4096 == 0 && stopRequested && stopRequested()) {
                stopped = true;
                return;
            }
            const RunKey key = plan.run(i);
            insertRun.bind(2, key.setting.generations);
            insertRun.bind(3, key.setting.mutants);
            insertRun.bind(4, key.setting.stepPpm);
            insertRun.bind(5, key.seed);
            added += static_cast<std::uint64_t>(insertRun.exec());
            insertRun.reset();
        }
        transaction.commit();
    });
    if (stopped)
        return std::nullopt;
    return added;
}

std::uint64_t SeriesStore::countDone(const SeriesPlan& plan)
{
    SQLite::Statement count(
        *db_, "SELECT count(*) FROM runs WHERE status = 'done' AND " + PlanCondition(plan));
    count.executeStep();
    return static_cast<std::uint64_t>(count.getColumn(0).getInt64());
}

// A scan in id order from afterId that stops at the limit costs the batch and
// the rows it passes over; the batches of a series pass every row once,
// whatever the plan's size. The unique index over the settings would search
// the whole plan and sort it for every batch (seconds at 10^7 runs).
std::string PendingRunsQuery(const SeriesPlan& plan)
{
    return "SELECT id, generations, mutants, step_ppm, seed FROM runs NOT INDEXED "
           "WHERE id > ? AND status <> 'done' AND " +
           PlanCondition(plan) + " ORDER BY id LIMIT ?";
}

std::vector<PendingRun> SeriesStore::pendingRuns(const SeriesPlan& plan, std::int64_t afterId,
                                                 std::size_t limit)
{
    SQLite::Statement select(*db_, PendingRunsQuery(plan));
    select.bind(1, afterId);
    select.bind(2, static_cast<std::int64_t>(limit));
    std::vector<PendingRun> runs;
    while (select.executeStep()) {
        PendingRun run;
        run.id = select.getColumn(0).getInt64();
        run.key.setting.generations = select.getColumn(1).getInt();
        run.key.setting.mutants = select.getColumn(2).getInt();
        run.key.setting.stepPpm = select.getColumn(3).getInt();
        run.key.seed = static_cast<std::uint32_t>(select.getColumn(4).getInt64());
        runs.push_back(run);
    }
    return runs;
}

void SeriesStore::storeRun(const RunOutcome& outcome)
{
    addToGroup(outcome);
    commitGroup();
}

bool SeriesStore::isPending(std::int64_t runId)
{
    SQLite::Statement& select = *runStatus_;
    select.bind(1, runId);
    const bool pending = select.executeStep() && select.getColumn(0).getString() != "done";
    select.reset();
    return pending;
}

void SeriesStore::rollBackGroup() noexcept
{
    if (!inGroup_)
        return;
    inGroup_ = false;
    groupRuns_ = 0;
    groupRows_ = 0;
    // A statement that failed keeps its state until it is reset.
    for (const auto& statement : insertGenerations_)
        statement->tryReset();
    markDone_->tryReset();
    markFailed_->tryReset();
    keepState_->tryReset();
    markRunning_->tryReset();
    refreshRunning_->tryReset();
    // SQLite may have rolled back already (a full disk); then this fails.
    try {
        db_->exec("ROLLBACK");
    } catch (const std::exception&) {
    }
}

void SeriesStore::addToGroup(const RunOutcome& outcome)
{
    if (outcome.status != RunStatus::Done && outcome.status != RunStatus::Failed &&
        outcome.status != RunStatus::Stopped)
        return;
    Writing([&] {
        // Refused before anything of it is written: the group stays whole.
        // A run done meanwhile keeps its end.
        if (outcome.status != RunStatus::Failed && !isPending(outcome.runId))
            throw SeriesStoreError(SeriesStoreError::Kind::Write,
                                   "run " + std::to_string(outcome.runId) +
                                       " is not a pending run of this database");
        try {
            openGroup();
            if (outcome.status == RunStatus::Done)
                storeDone(outcome);
            else if (outcome.status == RunStatus::Failed)
                storeFailed(outcome);
            else
                keepState(outcome, outcome.stoppedAt);
        } catch (...) {
            // Part of a run may be written: none of the group stays.
            rollBackGroup();
            throw;
        }
        ++groupRuns_;
        groupRows_ += outcome.generations.size();
    });
}

void SeriesStore::openGroup()
{
    if (inGroup_)
        return;
    db_->exec("BEGIN IMMEDIATE");
    inGroup_ = true;
    groupOpened_ = std::chrono::steady_clock::now();
}

void SeriesStore::markRunning(const std::vector<std::int64_t>& runIds, const std::string& started,
                              const std::string& host)
{
    if (runIds.empty())
        return;
    Writing([&] {
        try {
            openGroup();
            SQLite::Statement& mark = *markRunning_;
            for (const std::int64_t id : runIds) {
                mark.bind(1, started);
                mark.bind(2, host);
                mark.bind(3, id);
                mark.exec();
                mark.reset();
            }
        } catch (...) {
            rollBackGroup();
            throw;
        }
    });
}

void SeriesStore::refreshRunning(const std::vector<RunProgress>& progress)
{
    if (progress.empty())
        return;
    Writing([&] {
        try {
            openGroup();
            SQLite::Statement& refresh = *refreshRunning_;
            for (const RunProgress& run : progress) {
                refresh.bind(1, run.generation);
                refresh.bind(2, run.bestQ);
                refresh.bind(3, run.runId);
                refresh.exec();
                refresh.reset();
            }
        } catch (...) {
            rollBackGroup();
            throw;
        }
    });
}

std::size_t SeriesStore::resetRunning()
{
    constexpr const char* reset =
        "UPDATE runs SET status = 'pending', started = NULL, host = NULL, "
        "current_generation = NULL, current_best_q = NULL WHERE status = 'running'";
    int changed = 0;
    Writing([&] {
        if (inGroup_) {
            try {
                changed = db_->exec(reset);
            } catch (...) {
                rollBackGroup();
                throw;
            }
            return;
        }
        // Nothing is written when nothing is running (a read-only look
        // costs no transaction).
        if (db_->execAndGet("SELECT count(*) FROM runs WHERE status = 'running'").getInt() == 0)
            return;
        SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        changed = db_->exec(reset);
        transaction.commit();
    });
    return static_cast<std::size_t>(changed);
}

std::optional<double> SeriesStore::bestDoneQ(const SeriesPlan& plan)
{
    SQLite::Statement select(*db_, "SELECT min(best_q) FROM runs WHERE status = 'done' AND " +
                                       PlanCondition(plan));
    if (!select.executeStep() || select.getColumn(0).isNull())
        return std::nullopt;
    return select.getColumn(0).getDouble();
}

std::size_t SeriesStore::commitGroup()
{
    if (!inGroup_)
        return 0;
    const std::size_t runs = groupRuns_;
    Writing([&] {
        try {
            db_->exec("COMMIT");
        } catch (...) {
            rollBackGroup();
            throw;
        }
    });
    inGroup_ = false;
    groupRuns_ = 0;
    groupRows_ = 0;
    return runs;
}

void SeriesStore::insertGenerations(const RunOutcome& outcome)
{
    const std::size_t count = outcome.generations.size();
    std::size_t i = 0;
    for (std::size_t c = 0; c < insertGenerations_.size(); ++c) {
        SQLite::Statement& insert = *insertGenerations_[c];
        const std::size_t rows = kGenerationChunks[c];
        for (; i + rows <= count; i += rows) {
            int at = 1;
            for (std::size_t k = i; k < i + rows; ++k) {
                const GenerationRow& row = outcome.generations[k];
                insert.bind(at++, outcome.runId);
                insert.bind(at++, static_cast<std::int64_t>(k + 1));
                insert.bind(at++, row.bestQ);
                insert.bind(at++, row.stepWidth);
                insert.bind(at++, row.accepted);
            }
            insert.exec();
            insert.reset();
        }
    }
}

void SeriesStore::keepState(const RunOutcome& outcome, int generation)
{
    SQLite::Statement& keep = *keepState_;
    keep.bind(1, outcome.runId);
    keep.bind(2, outcome.key.setting.mutants);
    keep.bind(3, outcome.key.setting.stepPpm);
    keep.bind(4, static_cast<std::int64_t>(outcome.key.seed));
    keep.bind(5, generation);
    keep.bind(6, outcome.state.data(), static_cast<int>(outcome.state.size()));
    keep.exec();
    keep.reset();
}

std::optional<KeptState> SeriesStore::keptState(const RunKey& key, int latest)
{
    SQLite::Statement select(*db_, "SELECT s.run_id, s.generation, s.state, r.status = 'done' "
                                   "FROM run_states AS s JOIN runs AS r ON r.id = s.run_id "
                                   "WHERE s.mutants = ? AND s.step_ppm = ? AND s.seed = ? AND "
                                   "s.generation <= ? ORDER BY s.generation DESC LIMIT 1");
    select.bind(1, key.setting.mutants);
    select.bind(2, key.setting.stepPpm);
    select.bind(3, static_cast<std::int64_t>(key.seed));
    select.bind(4, latest);
    if (!select.executeStep())
        return std::nullopt;
    KeptState kept;
    kept.runId = select.getColumn(0).getInt64();
    kept.generation = select.getColumn(1).getInt();
    const SQLite::Column state = select.getColumn(2);
    kept.state.assign(static_cast<const char*>(state.getBlob()),
                      static_cast<std::size_t>(state.getBytes()));
    if (select.getColumn(3).getInt() != 0) {
        // A done run's rows are its generations.
        SQLite::Statement rows(*db_, "SELECT best_q, step_width, accepted FROM generations "
                                     "WHERE run_id = ? AND generation <= ? ORDER BY generation");
        rows.bind(1, kept.runId);
        rows.bind(2, kept.generation);
        kept.rows.reserve(static_cast<std::size_t>(kept.generation));
        while (rows.executeStep())
            kept.rows.push_back(GenerationRow{rows.getColumn(0).getDouble(),
                                              rows.getColumn(1).getDouble(),
                                              rows.getColumn(2).getInt()});
        kept.rowsElsewhere = true;
    }
    return kept;
}

std::vector<PendingRun> SeriesStore::otherGenerations(const SeriesPlan& plan, const RunKey& key)
{
    SQLite::Statement select(*db_, "SELECT id FROM runs WHERE generations = ? AND mutants = ? AND "
                                   "step_ppm = ? AND seed = ? AND status <> 'done'");
    std::vector<PendingRun> runs;
    for (const int generations : plan.generations) {
        if (generations == key.setting.generations)
            continue;
        select.bind(1, generations);
        select.bind(2, key.setting.mutants);
        select.bind(3, key.setting.stepPpm);
        select.bind(4, static_cast<std::int64_t>(key.seed));
        if (select.executeStep()) {
            PendingRun run;
            run.id = select.getColumn(0).getInt64();
            run.key = key;
            run.key.setting.generations = generations;
            runs.push_back(run);
        }
        select.reset();
    }
    return runs;
}

void SeriesStore::storeDone(const RunOutcome& outcome)
{
    insertGenerations(outcome);
    SQLite::Statement& mark = *markDone_;
    mark.bind(1, outcome.bestQ);
    mark.bind(2, outcome.bestGeneration);
    mark.bind(3, outcome.evaluations);
    mark.bind(4, outcome.seconds);
    mark.bind(5, outcome.protocolSha256);
    mark.bind(6, outcome.host);
    mark.bind(7, outcome.bestLaw);
    mark.bind(8, outcome.bestStep);
    mark.bind(9, outcome.runId);
    const int changed = mark.exec();
    mark.reset();
    if (changed != 1)
        throw SeriesStoreError(SeriesStoreError::Kind::Write,
                               "run " + std::to_string(outcome.runId) +
                                   " is not a pending run of this database");
    // Its end replaces the state it was stopped at.
    if (!outcome.state.empty())
        keepState(outcome, outcome.key.setting.generations);
}

void SeriesStore::storeFailed(const RunOutcome& outcome)
{
    SQLite::Statement& mark = *markFailed_;
    mark.bind(1, outcome.error);
    mark.bind(2, outcome.seconds);
    mark.bind(3, outcome.host);
    mark.bind(4, outcome.runId);
    mark.exec();
    mark.reset();
}

void SeriesStore::forEachDone(const SeriesPlan& plan, const std::function<void(const RunKey&)>& call)
{
    SQLite::Statement select(*db_, "SELECT generations, mutants, step_ppm, seed FROM runs "
                                   "WHERE status = 'done' AND " + PlanCondition(plan));
    while (select.executeStep()) {
        RunKey key;
        key.setting.generations = select.getColumn(0).getInt();
        key.setting.mutants = select.getColumn(1).getInt();
        key.setting.stepPpm = select.getColumn(2).getInt();
        key.seed = static_cast<std::uint32_t>(select.getColumn(3).getInt64());
        call(key);
    }
}

std::vector<RunFinal> SeriesStore::finals(const SeriesPlan& plan, const Setting& setting)
{
    SQLite::Statement select(*db_, "SELECT best_q, best_generation FROM runs WHERE status = 'done' "
                                   "AND " + SettingCondition(plan));
    BindSetting(select, setting);
    std::vector<RunFinal> result;
    while (select.executeStep())
        result.push_back(RunFinal{select.getColumn(0).getDouble(), select.getColumn(1).getInt()});
    return result;
}

void SeriesStore::forEachGeneration(const SeriesPlan& plan, const Setting& setting, int first,
                                    int last, const std::function<void(int, double)>& call)
{
    SQLite::Statement select(
        *db_, "SELECT g.generation, g.best_q FROM runs JOIN generations AS g ON g.run_id = runs.id "
              "WHERE runs.status = 'done' AND " + SettingCondition(plan) +
                  " AND g.generation BETWEEN ? AND ?");
    BindSetting(select, setting);
    select.bind(4, first);
    select.bind(5, last);
    while (select.executeStep())
        call(select.getColumn(0).getInt(), select.getColumn(1).getDouble());
}

}  // namespace zarudiv
