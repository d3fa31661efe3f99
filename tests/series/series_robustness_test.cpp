// The series under adverse conditions, run as a user would: short memory, a
// full disk, files that are not what the name promises. Each ends with its
// exit code and a message that says what to do, and the stored runs whole.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "tests/series/series_dump.h"
#include "tests/support/process.h"
#include "tests/support/small_mount.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::ProcessResult;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

ProcessResult Series(const TempDir& dir, const std::string& args, const std::string& prefix = "")
{
    const std::string command = Quote(ZARUDIV_SERIES) + " " + args;
    if (prefix.empty())
        return zarudiv::testing::RunProcess(dir, command, "series");
    return zarudiv::testing::RunProcess(dir, "/bin/sh -c " + Quote(prefix + " exec " + command),
                                        "series");
}

// Every done run has all its generations, and no other run has any.
void ExpectWholeRuns(const std::string& db, int generations)
{
    if (!std::filesystem::exists(db))
        return;
    SQLite::Database reader(db, SQLite::OPEN_READONLY, zarudiv::testing::kReaderWait);
    EXPECT_EQ(reader.execAndGet("SELECT count(*) FROM generations").getInt64(),
              generations * reader.execAndGet("SELECT count(*) FROM runs WHERE status = 'done'")
                                .getInt64());
    EXPECT_EQ(reader.execAndGet("SELECT count(*) FROM runs WHERE status = 'failed'").getInt64(), 0);
}

// The smallest address-space limit (KB) under which the series starts at all:
// the size of the program and its libraries, found by bisection.
long StartingLimit(const TempDir& dir)
{
    long low = 10000, high = 4000000;
    while (high - low > 1000) {
        const long middle = (low + high) / 2;
        const ProcessResult help =
            Series(dir, "--help", "ulimit -v " + std::to_string(middle) + " &&");
        (help.exitCode == 0 ? high : low) = middle;
    }
    return high;
}

TEST(SeriesRobustnessTest, ShortMemoryEndsWithAMessageAndTheStoredRunsWhole)
{
#ifdef ZARUDIV_SANITIZED
    GTEST_SKIP() << "an address-space limit and the sanitizers' shadow memory do not mix";
#endif
    const std::string plan = "--generations 20 --mutants 5 --step 100 --repeat 40 --seed 1";
    TempDir whole;
    ASSERT_EQ(Series(whole, plan).exitCode, 0);
    // A few threads start and the series runs on them, or their runs find no
    // memory, or none starts: which one depends on how much is left beside
    // the program, and each must end cleanly, never as a crash.
    const long start = StartingLimit(whole);
    for (const long spare : {70000L, 30000L, 2000L}) {
        const std::string limit = std::to_string(start + spare);
        SCOPED_TRACE(limit);
        TempDir dir;
        const ProcessResult run =
            Series(dir, plan + " --threads 256", "ulimit -v " + limit + " &&");
        if (run.exitCode == 0) {
            EXPECT_NE(run.err.find("threads could be started (the system is short of memory or "
                                   "threads); the series runs on"),
                      std::string::npos)
                << run.err;
        } else {
            EXPECT_EQ(run.exitCode, 1) << run.err;
            EXPECT_NE(run.err.find("give fewer --threads"), std::string::npos) << run.err;
        }
        EXPECT_EQ(run.err.find("bad_alloc"), std::string::npos) << run.err;
        ExpectWholeRuns(dir.file("series.sqlite"), 20);
        const ProcessResult resumed = Series(dir, plan);
        ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
        EXPECT_EQ(zarudiv::testing::DumpSeries(dir.file("series.sqlite")),
                  zarudiv::testing::DumpSeries(whole.file("series.sqlite")));
    }
}

const std::string kSmallPlan = "--generations 3 --mutants 2 --step 1 --repeat 2 --seed 1";

// A database a user may name, and what the series must say about it.
struct DatabaseCase {
    const char* name;
    // Makes the file; returns the --db name, or "" (and why) to skip.
    std::function<std::string(const TempDir&, std::unique_ptr<zarudiv::testing::SmallMount>&,
                              std::string& skip)>
        make;
    int exitCode;
    const char* message;  // after "zarudiv-series: --db NAME: "
    bool kept;            // the file stays as it was; else none is left
};

std::string OnMount(const char* options, std::unique_ptr<zarudiv::testing::SmallMount>& mount,
                    std::string& skip)
{
    mount = std::make_unique<zarudiv::testing::SmallMount>(options);
    if (!mount->mounted()) {
        skip = mount->reason();
        return {};
    }
    return mount->dir().file("s.sqlite");
}

std::string StoredSeries(const TempDir& dir)
{
    EXPECT_EQ(Series(dir, kSmallPlan + " --db s.sqlite").exitCode, 0);
    return dir.file("s.sqlite");
}

const DatabaseCase kDatabases[] = {
    {"a read-only disk",
     [](const TempDir&, auto& mount, std::string& skip) { return OnMount("ro,size=16k", mount, skip); },
     1, "the database cannot be written there (Read-only file system); nothing was run", false},
    {"a disk too full for the schema",
     [](const TempDir&, auto& mount, std::string& skip) { return OnMount("size=4k", mount, skip); }, 1,
     "the database cannot be written there (database or disk is full); nothing was run", false},
    {"a second name of the database",
     [](const TempDir& dir, auto&, std::string&) {
         std::filesystem::create_hard_link(StoredSeries(dir), dir.file("h.sqlite"));
         return dir.file("h.sqlite");
     },
     2,
     "the database file has 2 names (hard links), and SQLite keeps its write-ahead log beside "
     "one name only; use the database by one name: remove the other links, or give a copy",
     true},
    {"a series database cut short",
     [](const TempDir& dir, auto&, std::string&) {
         const std::string db = StoredSeries(dir);
         std::filesystem::resize_file(db, 5000);
         return db;
     },
     2,
     "a series database that is damaged (database disk image is malformed); it cannot be used "
     "as it stands: restore it from a copy, or give another --db (sqlite3's .recover may save "
     "its runs)",
     true},
    {"the series' mark without its tables",
     [](const TempDir& dir, auto&, std::string&) {
         SQLite::Database db(dir.file("s.sqlite"), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
         db.exec("PRAGMA application_id = 1515406674; PRAGMA user_version = 2");
         return dir.file("s.sqlite");
     },
     2,
     "a series database without its tables (0 of plans, runs and generations); it holds no "
     "runs to resume: give another --db, or remove the file",
     true},
};

TEST(SeriesRobustnessTest, ADatabaseThatCannotBeUsedIsRefusedWithWhatToDo)
{
    for (const DatabaseCase& c : kDatabases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::unique_ptr<zarudiv::testing::SmallMount> mount;
        std::string skip;
        const std::string db = c.make(dir, mount, skip);
        if (db.empty()) {
            std::printf("%s not tried: %s\n", c.name, skip.c_str());
            continue;
        }
        const std::string before = ReadBytes(db);
        const ProcessResult run = Series(dir, kSmallPlan + " --db " + Quote(db));
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err, "zarudiv-series: --db " + db + ": " + c.message + "\n");
        if (c.kept) {
            EXPECT_EQ(ReadBytes(db), before);
        } else {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                EXPECT_FALSE(std::filesystem::exists(db + suffix)) << suffix;
        }
    }
}

TEST(SeriesRobustnessTest, AFullProtocolsDiskStopsTheSeriesAtItsFirstProtocolThatDoesNotFit)
{
    zarudiv::testing::SmallMount disk("size=64k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    TempDir dir;
    const std::string prot = disk.dir().file("prot");
    const std::string plan = "--generations 3 --mutants 2 --step 300 --repeat 40 --seed 1";
    const ProcessResult run = Series(dir, plan + " --threads 2 --protocols " + Quote(prot));
    EXPECT_EQ(run.exitCode, 1) << run.err;
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(prot))
        kept.push_back(entry.path().filename().string());
    ASSERT_GT(kept.size(), 0u);
    ASSERT_LT(kept.size(), 40u);
    const std::string last = run.err.substr(run.err.rfind("zarudiv-series: "));
    const std::string said = "zarudiv-series: --protocols " + prot + ": no space left on the device for " + prot + "/";
    EXPECT_EQ(last.substr(0, said.size()), said) << last;
    EXPECT_TRUE(last.ends_with("; make room there; " + std::to_string(kept.size()) +
                               " of 40 runs are stored, run the same command again to continue\n"))
        << last;
    // Every stored run has its protocol, whole; nothing else is there and nothing failed.
    SQLite::Database reader(dir.file("series.sqlite"), SQLite::OPEN_READONLY, zarudiv::testing::kReaderWait);
    EXPECT_EQ(reader.execAndGet("SELECT count(*) FROM runs WHERE status = 'done'").getInt64(),
              static_cast<std::int64_t>(kept.size()));
    EXPECT_EQ(reader.execAndGet("SELECT count(*) FROM runs WHERE status = 'failed'").getInt64(), 0);
    for (const std::string& name : kept) {
        EXPECT_EQ(name.substr(name.size() - 4), ".doc") << name;
        EXPECT_NE(ReadBytes(prot + "/" + name).find("END of Savefile"), std::string::npos) << name;
    }
}

// Runs this short finish every few milliseconds, so the series nearly always
// has a group of finished runs open (a transaction, committed at most every
// 100 ms): a SIGKILL right after a commit lands in the next group. Killed
// three times, each time at a later point, the database holds whole runs
// only, and the resumed series ends with the database an uninterrupted one
// stores.
TEST(SeriesRobustnessTest, ASeriesKilledWhileItCommitsKeepsWholeRunsAndResumesToTheSameDatabase)
{
    TempDir dir;
    const std::string plan = "--generations 20 --mutants 1 --step 500,700 --repeat 200 --seed 11";
    const std::string db = dir.file("s.sqlite");
    std::int64_t done = 0;
    for (const std::int64_t killAt : {60, 180, 300}) {
        BackgroundProcess running(dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 2 --db s.sqlite");
        ASSERT_TRUE(running.started());
        zarudiv::testing::AwaitDone(running, db, killAt);
        ASSERT_TRUE(running.running()) << "the series ended before the kill";
        running.signal(SIGKILL);
        EXPECT_EQ(running.wait().exitCode, -1);  // killed, not exited
        ExpectWholeRuns(db, 20);
        const std::int64_t now = zarudiv::testing::CountRows(db, "runs", "status = 'done'");
        EXPECT_GE(now, killAt);
        EXPECT_GE(now, done);  // nothing committed is lost
        EXPECT_LT(now, 400);
        done = now;
    }
    const ProcessResult resumed = Series(dir, plan + " --threads 1 --db s.sqlite");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(std::to_string(done) + " already done, " +
                               std::to_string(400 - done) + " to run"),
              std::string::npos)
        << resumed.err;
    ASSERT_EQ(Series(dir, plan + " --threads 2 --db whole.sqlite").exitCode, 0);
    EXPECT_EQ(zarudiv::testing::DumpSeries(db), zarudiv::testing::DumpSeries(dir.file("whole.sqlite")));
}

}  // namespace
