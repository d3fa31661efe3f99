// The same series under mpirun: rank 0 stores what the other processes run,
// and the database is the one a single process stores.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/series/series_dump.h"
#include "tests/support/process.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::ProcessResult;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

// Root in a CI container, two cores, and no ptrace for Open MPI's single-copy
// transfers between processes of a container: the test allows all three. In
// a sanitizer build, what Open MPI keeps past MPI_Finalize is not reported
// (its plugins are unloaded by then: only a full unwind finds them).
std::string Mpirun(int processes)
{
    return "env OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 "
           "OMPI_MCA_btl_vader_single_copy_mechanism=none "
           "ASAN_OPTIONS=fast_unwind_on_malloc=0 LSAN_OPTIONS=suppressions=" +
           Quote(ZARUDIV_SERIES_TESTS "/openmpi.supp") + " " +
           Quote(ZARUDIV_MPIEXEC) + " --oversubscribe -np " + std::to_string(processes) + " " +
           Quote(ZARUDIV_SERIES) + " ";
}

// The process of the job that mpirun (pid launcher) started as `rank`, or
// -1: a child of mpirun whose environment names the rank.
pid_t RankProcess(pid_t launcher, int rank)
{
    const std::string wanted = "OMPI_COMM_WORLD_RANK=" + std::to_string(rank);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold spaces, the ")" ends it.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(line.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        if (parent != launcher)
            continue;
        const std::string environment = ReadBytes((entry.path() / "environ").string());
        std::size_t at = 0;
        for (std::size_t end; (end = environment.find('\0', at)) != std::string::npos; at = end + 1)
            if (environment.compare(at, end - at, wanted) == 0)
                return static_cast<pid_t>(std::stoi(name));
    }
    return -1;
}

std::string Tail(const std::string& protocol)
{
    return protocol.substr(protocol.find("\r\n") + 2);
}

TEST(SeriesMpiTest, ThreeProcessesStoreWhatOneProcessStores)
{
    TempDir dir;
    const std::string plan = "--generations 6,9 --mutants 3,5 --step 400,1000 --repeat 3 --seed 77";
    const ProcessResult alone = zarudiv::testing::RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 2 --protocols one --db one.sqlite",
        "alone");
    ASSERT_EQ(alone.exitCode, 0) << alone.err;
    const ProcessResult mpi = zarudiv::testing::RunProcess(
        dir, Mpirun(3) + plan + " --threads 1 --protocols mpi --db mpi.sqlite", "mpi");
    ASSERT_EQ(mpi.exitCode, 0) << mpi.err;
    EXPECT_NE(mpi.err.find("24 to run on 3 threads in 3 processes"), std::string::npos) << mpi.err;
    // The other processes took part.
    const std::size_t at = mpi.err.find("MPI: ");
    ASSERT_NE(at, std::string::npos) << mpi.err;
    EXPECT_GT(std::stoi(mpi.err.substr(at + 5)), 0) << mpi.err;

    EXPECT_EQ(zarudiv::testing::DumpSeries(dir.file("mpi.sqlite")),
              zarudiv::testing::DumpSeries(dir.file("one.sqlite")));
    EXPECT_EQ(mpi.out, alone.out);
    int protocols = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("one"))) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(Tail(ReadBytes(dir.file("mpi/" + name))), Tail(ReadBytes(entry.path().string())))
            << name;
        ++protocols;
    }
    EXPECT_EQ(protocols, 24);
    SQLite::Database db(dir.file("mpi.sqlite"), SQLite::OPEN_READONLY, 10000);
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM runs WHERE host IS NULL OR host = ''").getInt(), 0);
}

// A rank 0 that only coordinates runs no campaign: the other processes run
// them all, sending what finishes together in one message, and the database
// is the one a single process stores.
TEST(SeriesMpiTest, ARank0ThatOnlyCoordinatesStoresWhatOneProcessStores)
{
    TempDir dir;
    const std::string plan = "--generations 5 --mutants 1,2 --step 300 --repeat 40 --seed 5";
    ASSERT_EQ(zarudiv::testing::RunProcess(dir, Quote(ZARUDIV_SERIES) + " " + plan +
                                                    " --threads 2 --db one.sqlite",
                                           "alone")
                  .exitCode,
              0);
    const ProcessResult mpi = zarudiv::testing::RunProcess(
        dir, Mpirun(3) + plan + " --threads 2 --rank0-computes no --db mpi.sqlite", "mpi");
    ASSERT_EQ(mpi.exitCode, 0) << mpi.err;
    EXPECT_NE(mpi.err.find("80 to run on 4 threads in 3 processes (rank 0 coordinates only)"),
              std::string::npos)
        << mpi.err;
    EXPECT_NE(mpi.err.find("MPI: 80 of the runs ran in the 2 other processes"), std::string::npos)
        << mpi.err;
    EXPECT_EQ(zarudiv::testing::DumpSeries(dir.file("mpi.sqlite")),
              zarudiv::testing::DumpSeries(dir.file("one.sqlite")));

    const ProcessResult bad = zarudiv::testing::RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " " + plan + " --rank0-computes maybe --db bad.sqlite", "bad");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--rank0-computes maybe: give yes, no or auto"), std::string::npos)
        << bad.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.sqlite")));
}

TEST(SeriesMpiTest, CtrlCOnMpirunStopsCleanlyAndAnyProcessCountResumes)
{
    TempDir dir;
    // mpirun hands the processes its SIGTERM a second after its own SIGINT:
    // after the third run is stored, the plan has seconds of work left for
    // each of its three processes, several times that second on a machine
    // much faster than ours.
    const std::string plan = "--generations 80 --mutants 12 --step 800 --repeat 72 --seed 9 --threads 1";
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess running(dir, Mpirun(3) + plan + " --db s.sqlite");
    ASSERT_TRUE(running.started());
    zarudiv::testing::AwaitDone(running, db, 3);
    ASSERT_TRUE(running.running()) << "the series ended before the signal";
    // What Ctrl-C in the terminal does: mpirun gets SIGINT and hands the
    // processes a SIGTERM.
    running.signal(SIGINT);
    const ProcessResult stopped = running.wait();
    EXPECT_NE(stopped.exitCode, 0);
    EXPECT_NE(stopped.err.find("stopped by SIG"), std::string::npos) << stopped.err;
    EXPECT_NE(stopped.err.find("run the same command again to continue"), std::string::npos);

    // Whole runs only.
    const std::int64_t done = zarudiv::testing::CountRows(db, "runs", "status = 'done'");
    ASSERT_GE(done, 3);
    ASSERT_LT(done, 72);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "generations", "1"), 80 * done);
    const std::string timings = [&] {
        SQLite::Database reader(db, SQLite::OPEN_READONLY, zarudiv::testing::kReaderWait);
        return reader.execAndGet("SELECT group_concat(id || ':' || seconds) FROM runs "
                                 "WHERE status = 'done'").getString();
    }();

    // Two processes take up where three stopped and run only what was left:
    // the runs done before keep their rows, timings included.
    const ProcessResult resumed =
        zarudiv::testing::RunProcess(dir, Mpirun(2) + plan + " --threads 1 --db s.sqlite", "resumed");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(std::to_string(done) + " already done, " +
                               std::to_string(72 - done) + " to run"),
              std::string::npos)
        << resumed.err;
    EXPECT_EQ(zarudiv::testing::CountRows(db, "runs", "status = 'done'"), 72);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "generations", "1"), 80 * 72);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "runs", "instr('," + timings +
                                                          ",', ',' || id || ':' || seconds || ',') > 0"),
              done);
}

TEST(SeriesMpiTest, ASignalToOneWorkerStopsTheWholeSeries)
{
    TempDir dir;
    const std::string plan = "--generations 20 --mutants 4 --step 700 --repeat 300 --seed 3";
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess running(dir, Mpirun(3) + plan + " --threads 1 --db s.sqlite");
    ASSERT_TRUE(running.started());
    zarudiv::testing::AwaitDone(running, db, 3);
    ASSERT_TRUE(running.running()) << "the series ended before the signal";
    const pid_t worker = RankProcess(running.pid(), 1);
    ASSERT_GT(worker, 0);
    // The signal reaches rank 1 alone, as `kill` or a batch system may send it.
    ASSERT_EQ(::kill(worker, SIGTERM), 0);
    std::optional<ProcessResult> stopped = running.waitFor(std::chrono::seconds(60));
    if (!stopped) {
        running.signal(SIGINT);  // mpirun ends the processes
        running.wait();
        FAIL() << "the series did not end after its worker was signalled";
    }
    EXPECT_EQ(stopped->exitCode, 143) << stopped->err;
    EXPECT_NE(stopped->err.find("stopped by SIGTERM (sent to rank 1 on "), std::string::npos)
        << stopped->err;
    EXPECT_NE(stopped->err.find("run the same command again to continue"), std::string::npos)
        << stopped->err;
    EXPECT_EQ(stopped->out, "");  // no table: the series is not complete

    // Whole runs only, and the rest of the plan still to do.
    const std::int64_t done = zarudiv::testing::CountRows(db, "runs", "status = 'done'");
    ASSERT_GE(done, 3);
    ASSERT_LT(done, 300);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "runs", "status = 'pending'"), 300 - done);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "generations", "1"), 20 * done);

    // Without MPI the same command finishes the plan.
    const ProcessResult resumed = zarudiv::testing::RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 2 --db s.sqlite", "resumed");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(std::to_string(done) + " already done, " +
                               std::to_string(300 - done) + " to run"),
              std::string::npos)
        << resumed.err;
    EXPECT_EQ(zarudiv::testing::CountRows(db, "runs", "status = 'done'"), 300);
    EXPECT_EQ(zarudiv::testing::CountRows(db, "generations", "1"), 20 * 300);
}

TEST(SeriesMpiTest, AStopKeepsTheRunsInFlightInEveryProcess)
{
    TempDir dir;
    const std::string plan = "--generations 300 --mutants 20 --step 700 --repeat 2 --seed 13";
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess running(dir, Mpirun(2) + plan + " --threads 1 --db s.sqlite");
    ASSERT_TRUE(running.started());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (running.running() && zarudiv::testing::CountRows(db, "runs", "1") == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Both processes are well into their first runs.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const pid_t rank0 = RankProcess(running.pid(), 0);
    ASSERT_GT(rank0, 0);
    ASSERT_EQ(::kill(rank0, SIGTERM), 0);
    std::optional<ProcessResult> stopped = running.waitFor(std::chrono::seconds(60));
    if (!stopped) {
        running.signal(SIGINT);
        running.wait();
        FAIL() << "the series did not end after rank 0 was signalled";
    }
    // Rank 0's run and the one rank 1 ran are kept where they stopped.
    std::smatch kept;
    ASSERT_TRUE(std::regex_search(stopped->err, kept,
                                  std::regex("stopped by SIGTERM: 0 of 2 runs done and stored, 2 runs "
                                             "stopped at generations (\\d+) and (\\d+), kept")))
        << stopped->err;
    EXPECT_EQ(zarudiv::testing::CountRows(db, "run_states", "1"), 2);

    const ProcessResult resumed =
        zarudiv::testing::RunProcess(dir, Mpirun(2) + plan + " --threads 1 --db s.sqlite", "resumed");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find("2 runs went on from kept states (at generations "), std::string::npos)
        << resumed.err;
    EXPECT_NE(resumed.err.find("; " + std::to_string(2 * 300 - std::stoi(kept[1].str()) -
                                                     std::stoi(kept[2].str())) +
                               " generations computed"),
              std::string::npos)
        << resumed.err;
    const ProcessResult whole = zarudiv::testing::RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 2 --db whole.sqlite", "whole");
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(zarudiv::testing::DumpSeries(db), zarudiv::testing::DumpSeries(dir.file("whole.sqlite")));
}

}  // namespace
