#pragma once
// The series' SQLite database: the plans started, one row per run and one
// per generation of every finished run. Only one series writes a database at
// a time; finished runs are written in groups, each group one transaction
// and a run never split between two, so a series killed at any moment leaves
// whole runs only. Readers (other tools) may query it while a series runs:
// the database is in WAL mode.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "series/plan.h"
#include "series/run_job.h"

namespace zarudiv {

class SeriesStoreError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen,  // no such directory, not a regular file, more than one name, ...
        NotOurs,     // not SQLite, another program's database, or ours damaged
        InUse,       // another series holds it
        Write,       // a write failed or may not be made there (full or read-only
                     // disk, permissions): the series cannot go on
    };
    SeriesStoreError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// What the plans table says about one start of a series.
struct PlanRecord {
    std::string commandLine;
    std::string started;  // UTC, ISO 8601
    std::string version;
    std::string host;
};

struct PendingRun {
    std::int64_t id = 0;
    RunKey key;
};

// A campaign's state kept in the database, as a checkpoint's text.
struct KeptState {
    std::int64_t runId = 0;  // the run it was kept for
    int generation = 0;
    std::string state;
    // A done run's state has no rows: these are its generations up to the
    // state's.
    bool rowsElsewhere = false;
    std::vector<GenerationRow> rows;
};

// A finished run as the summary needs it.
struct RunFinal {
    double bestQ = 0.0;
    std::int32_t bestGeneration = 0;
};

class SeriesStore {
public:
    // Opens the database, or creates it with the schema; takes the lock that
    // keeps a second series out. Throws SeriesStoreError.
    explicit SeriesStore(const std::string& fileName);
    ~SeriesStore();
    SeriesStore(const SeriesStore&) = delete;
    SeriesStore& operator=(const SeriesStore&) = delete;

    const std::string& fileName() const { return fileName_; }
    // The journal mode SQLite took: "wal", unless the file system does not
    // allow it. The series works in any mode, but readers then hold up its
    // writes.
    const std::string& journalMode() const { return journalMode_; }

    // For a series refused after the database was opened (its outputs
    // cannot be written): closes the database, and removes it when this
    // store created the file, so that the refusal leaves no new database.
    // Nothing else may be called afterwards.
    void discardIfNew();

    // Records a start of the plan, and adds the plan's runs that are not in
    // the database yet as pending, in the plan's order (so that the run ids
    // do not depend on how the series is run). Returns the number added, or
    // nothing when stopRequested said yes before the end: then nothing of
    // the plan is recorded (a plan of millions of runs takes seconds).
    std::optional<std::uint64_t> addPlan(const SeriesPlan& plan, const PlanRecord& record,
                                         const std::function<bool()>& stopRequested = {});

    // The plan's runs that are done.
    std::uint64_t countDone(const SeriesPlan& plan);
    // Up to limit of the plan's runs that are not done, with ids above
    // afterId, in id order.
    std::vector<PendingRun> pendingRuns(const SeriesPlan& plan, std::int64_t afterId,
                                        std::size_t limit);

    // Stores a done run (its row, its generations and its end state), a
    // failed one (its error) or a stopped one (its state), with the open
    // group if there is one, and commits. Throws SeriesStoreError::Write.
    void storeRun(const RunOutcome& outcome);

    // Group commit: a done, failed or stopped run joins the open group (opening one,
    // a transaction); nothing of the group is stored until commitGroup().
    // Throws SeriesStoreError::Write: for a run that is not pending (a
    // fault) before anything of it is written, the group staying open as it
    // was; for a write that failed with the whole group rolled back, which
    // inGroup() then tells.
    void addToGroup(const RunOutcome& outcome);
    // Commits the open group; returns its runs (0 without one). On a failed
    // commit the group is rolled back and SeriesStoreError::Write thrown.
    std::size_t commitGroup();
    bool inGroup() const { return inGroup_; }
    std::size_t groupRuns() const { return groupRuns_; }
    std::size_t groupRows() const { return groupRows_; }
    std::chrono::steady_clock::time_point groupOpened() const { return groupOpened_; }

    // Runs in flight. They join the open group like finished runs (opening
    // one), so that a reader sees them at the group's commit; a rolled-back
    // group takes them along. Throw SeriesStoreError::Write as addToGroup.
    // Marks the runs as running, since `started` (UTC), on host.
    void markRunning(const std::vector<std::int64_t>& runIds, const std::string& started,
                     const std::string& host);
    // Where the runs in flight have got to.
    void refreshRunning(const std::vector<RunProgress>& progress);
    // Every run marked running becomes pending again (its kept state stays):
    // at the end of a series, and when a series opens a database that one
    // killed left behind. Joins the open group when there is one, else
    // writes at once; returns the runs reset.
    std::size_t resetRunning();

    // The best final Q of the plan's done runs, if there is one.
    std::optional<double> bestDoneQ(const SeriesPlan& plan);

    // The latest state kept of the key's campaign (its mutants, step width
    // and seed, any number of generations) at generation `latest` or before.
    std::optional<KeptState> keptState(const RunKey& key, int latest);
    // The runs not done of the plan that differ from the key only in their
    // generations, in the order of the plan's generations.
    std::vector<PendingRun> otherGenerations(const SeriesPlan& plan, const RunKey& key);

    // Calls back with the key of every done run of the plan, one at a time.
    void forEachDone(const SeriesPlan& plan, const std::function<void(const RunKey&)>& call);
    // The done runs of one setting of the plan.
    std::vector<RunFinal> finals(const SeriesPlan& plan, const Setting& setting);
    // Calls back with (generation, best Q) for every stored generation in
    // first..last of the plan's done runs of one setting.
    void forEachGeneration(const SeriesPlan& plan, const Setting& setting, int first, int last,
                           const std::function<void(int, double)>& call);

    // The schema version this program writes; it reads the versions before
    // and brings them up to date.
    static constexpr int kSchemaVersion = 5;
    // PRAGMA application_id of our databases: "ZSER".
    static constexpr std::int32_t kApplicationId = 0x5A534552;

private:
    void checkOrCreateSchema();
    void storeDone(const RunOutcome& outcome);
    void storeFailed(const RunOutcome& outcome);
    void insertGenerations(const RunOutcome& outcome);
    bool isPending(std::int64_t runId);
    void rollBackGroup() noexcept;
    void openGroup();
    void keepState(const RunOutcome& outcome, int generation);

    void close();

    std::string fileName_;
    int lockFd_ = -1;  // flock on the database file: one series at a time
    bool created_ = false;  // the file did not exist before
    std::string journalMode_;
    std::unique_ptr<SQLite::Database> db_;
    // Generation rows, by statements of several rows each.
    std::vector<std::unique_ptr<SQLite::Statement>> insertGenerations_;
    std::unique_ptr<SQLite::Statement> runStatus_;
    std::unique_ptr<SQLite::Statement> markDone_;
    std::unique_ptr<SQLite::Statement> markFailed_;
    bool inGroup_ = false;
    std::size_t groupRuns_ = 0;
    std::size_t groupRows_ = 0;
    std::chrono::steady_clock::time_point groupOpened_;
    std::unique_ptr<SQLite::Statement> keepState_;
    std::unique_ptr<SQLite::Statement> markRunning_;
    std::unique_ptr<SQLite::Statement> refreshRunning_;
};

// Now in UTC, ISO 8601: "2026-01-02T03:04:05Z".
std::string UtcNow();

// SQLite takes ":memory:" for a database in memory and, where URIs are
// enabled, a name that begins with "file:" for a URI; a series must keep
// its runs in the file it names.
bool SqliteTakesAsSpecial(const std::string& fileName);

// The SQL condition that selects the plan's runs in the runs table.
std::string PlanCondition(const SeriesPlan& plan);
// The query that fetches a batch of the plan's runs not done (binds: the id
// after which, the limit).
std::string PendingRunsQuery(const SeriesPlan& plan);
// The SQL condition that selects the plan's seeds.
std::string SeedCondition(const SeriesPlan& plan);

}  // namespace zarudiv
