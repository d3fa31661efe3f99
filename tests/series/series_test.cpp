// Runs the built zarudiv-series as a user would, and checks what it leaves
// behind: the database, the protocols, the table, the CSV and the pictures.

#include <QByteArrayView>
#include <QCryptographicHash>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "protocol/protocol_file.h"
#include "series/series_store.h"
#include "tests/series/series_dump.h"
#include "tests/support/process.h"
#include "tests/support/small_mount.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::ProcessResult;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

ProcessResult Series(const TempDir& dir, const std::string& args, const std::string& name = "series")
{
    return zarudiv::testing::RunProcess(dir, Quote(ZARUDIV_SERIES) + " " + args, name);
}

using zarudiv::testing::kReaderWait;

std::string Real(double value) { return zarudiv::testing::ExactText(value); }

std::string Dump(const std::string& file) { return zarudiv::testing::DumpSeries(file); }

std::int64_t Count(const std::string& file, const std::string& sql)
{
    SQLite::Database db(file, SQLite::OPEN_READONLY, kReaderWait);
    return db.execAndGet(sql).getInt64();
}

std::string Tail(const std::string& protocol)
{
    return protocol.substr(protocol.find("\r\n") + 2);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(separator, at)) != std::string::npos; at = next + 1)
        parts.push_back(text.substr(at, next - at));
    if (at < text.size())
        parts.push_back(text.substr(at));
    return parts;
}

TEST(SeriesTest, EveryRunIsTheRunnersCampaignForItsSeed)
{
    TempDir dir;
    const ProcessResult series =
        Series(dir, "--generations 6,9 --mutants 3 --step 400,1000 --repeat 3 --seed 41 "
                    "--threads 2 --protocols prot --db s.sqlite");
    ASSERT_EQ(series.exitCode, 0) << series.err;
    EXPECT_NE(series.err.find("= 12 runs; 0 already done, 12 to run on 2 threads"),
              std::string::npos) << series.err;

    SQLite::Database db(dir.file("s.sqlite"), SQLite::OPEN_READONLY, kReaderWait);
    SQLite::Statement runs(db, "SELECT id, generations, mutants, step_ppm, seed, status, best_q, "
                               "evaluations, protocol_sha256 FROM runs ORDER BY id");
    int count = 0;
    while (runs.executeStep()) {
        ++count;
        const std::int64_t id = runs.getColumn(0).getInt64();
        const std::string g = runs.getColumn(1).getString();
        const std::string m = runs.getColumn(2).getString();
        const std::string p = runs.getColumn(3).getString();
        const std::string seed = runs.getColumn(4).getString();
        const std::string name = "G" + g + "_M" + m + "_P" + p + "_S" + seed + ".doc";
        SCOPED_TRACE(name);
        ASSERT_EQ(zarudiv::testing::RunProcess(
                      dir, Quote(ZARUDIV_RUN) + " --generations " + g + " --mutants " + m +
                               " --step " + p + " --seed " + seed +
                               " --save --protocol runner.doc --log runner.csv",
                      "runner")
                      .exitCode,
                  0);
        const std::string runner = ReadBytes(dir.file("runner.doc"));
        const std::string kept = ReadBytes(dir.file("prot/" + name));
        EXPECT_EQ(Tail(kept), Tail(runner));
        EXPECT_EQ(kept.substr(0, kept.find("\r\n")),
                  "##### QX++ Document #####  BEGIN of Savefile: > prot/" + name + " < ######");

        const QByteArray tail = QByteArray::fromStdString(Tail(runner));
        EXPECT_EQ(runs.getColumn(8).getString(),
                  QCryptographicHash::hash(tail, QCryptographicHash::Sha256).toHex().toStdString());
        EXPECT_EQ(runs.getColumn(5).getString(), "done");
        EXPECT_EQ(runs.getColumn(7).getInt64(), std::stoll(g) * std::stoll(m));

        // The generations table holds the runner's log, row for row.
        std::vector<std::string> log = Split(ReadBytes(dir.file("runner.csv")), '\n');
        ASSERT_EQ(log.size(), 1 + std::stoul(g));
        SQLite::Statement rows(db, "SELECT generation, best_q, step_width, accepted FROM generations "
                                   "WHERE run_id = ? ORDER BY generation");
        rows.bind(1, id);
        std::size_t row = 0;
        double lastQ = 0.0;
        while (rows.executeStep()) {
            const std::vector<std::string> fields = Split(log.at(++row), ',');
            EXPECT_EQ(rows.getColumn(0).getString(), fields[0]);
            EXPECT_EQ(Real(rows.getColumn(1).getDouble()), fields[2]);
            EXPECT_EQ(Real(rows.getColumn(2).getDouble()), fields[3]);
            EXPECT_EQ(rows.getColumn(3).getString(), fields[4]);
            lastQ = rows.getColumn(1).getDouble();
        }
        EXPECT_EQ(row, std::stoul(g));
        EXPECT_EQ(runs.getColumn(6).getDouble(), lastQ);
    }
    EXPECT_EQ(count, 12);
}

TEST(SeriesTest, TheDatabaseIsTheSameForEveryThreadCount)
{
    TempDir dir;
    const std::string plan = "--generations 7,3 --mutants 4,2 --step 999 --repeat 3 --seed 4294967294";
    ASSERT_EQ(Series(dir, plan + " --threads 1 --db one.sqlite").exitCode, 0);
    ASSERT_EQ(Series(dir, plan + " --threads 3 --db three.sqlite").exitCode, 0);
    const std::string one = Dump(dir.file("one.sqlite"));
    EXPECT_EQ(one, Dump(dir.file("three.sqlite")));
    EXPECT_EQ(Count(dir.file("one.sqlite"), "SELECT count(*) FROM runs WHERE status = 'done' AND "
                                            "seed IN (4294967294, 4294967295, 0)"),
              12);
    // Two runs on three threads: the second starts with two free cores and
    // runs its mutants on both.
    const std::string few = "--generations 9 --mutants 5,3 --step 300 --repeat 1 --seed 8";
    ASSERT_EQ(Series(dir, few + " --threads 1 --db few1.sqlite").exitCode, 0);
    ASSERT_EQ(Series(dir, few + " --threads 3 --db few3.sqlite").exitCode, 0);
    EXPECT_EQ(Dump(dir.file("few1.sqlite")), Dump(dir.file("few3.sqlite")));

    SQLite::Database db(dir.file("three.sqlite"), SQLite::OPEN_READONLY, kReaderWait);
    SQLite::Statement plans(db, "SELECT command_line, started, program_version FROM plans");
    ASSERT_TRUE(plans.executeStep());
    EXPECT_EQ(plans.getColumn(0).getString(), std::string(ZARUDIV_SERIES) + " " + plan +
                                                  " --threads 3 --db three.sqlite");
    EXPECT_EQ(plans.getColumn(1).getString().size(), std::string("2026-12-08T10:00:00Z").size());
    EXPECT_EQ(plans.getColumn(2).getString(), ZARUDIV_VERSION);
    EXPECT_FALSE(plans.executeStep());
}

TEST(SeriesTest, AStoppedSeriesResumesWithoutRepeatingARun)
{
    TempDir dir;
    // On one thread the series runs for seconds after its second run is
    // stored, and the signal arrives within milliseconds; the resumed and
    // the uninterrupted series take two threads.
    const std::string plan = "--generations 60 --mutants 8 --step 700 --repeat 24 --seed 3";
    const std::string db = dir.file("s.sqlite");
    BackgroundProcess running(dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 1 --db s.sqlite");
    ASSERT_TRUE(running.started());
    zarudiv::testing::AwaitDone(running, db, 2);
    ASSERT_TRUE(running.running()) << "the series ended before the signal";
    running.signal(SIGINT);
    const ProcessResult stopped = running.wait();
    ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped by SIGINT"), std::string::npos) << stopped.err;
    EXPECT_NE(stopped.err.find("run the same command again to continue"), std::string::npos);
    EXPECT_EQ(stopped.out, "");

    // Only whole runs: each done run has all its generations, no other run any.
    const std::int64_t done = Count(db, "SELECT count(*) FROM runs WHERE status = 'done'");
    ASSERT_GE(done, 2);
    ASSERT_LT(done, 24);
    EXPECT_EQ(Count(db, "SELECT count(*) FROM generations"), 60 * done);
    EXPECT_EQ(Count(db, "SELECT count(*) FROM generations JOIN runs ON runs.id = run_id "
                        "WHERE status <> 'done'"),
              0);
    const std::string timings = [&] {
        SQLite::Database reader(db, SQLite::OPEN_READONLY, kReaderWait);
        return reader.execAndGet("SELECT group_concat(id || ':' || seconds) FROM runs "
                                 "WHERE status = 'done'").getString();
    }();

    const ProcessResult resumed = Series(dir, plan + " --threads 2 --db s.sqlite");
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find(std::to_string(done) + " already done, " +
                               std::to_string(24 - done) + " to run"),
              std::string::npos) << resumed.err;
    // The runs done before kept their rows, timings included: none ran again.
    SQLite::Database reader(db, SQLite::OPEN_READONLY, kReaderWait);
    SQLite::Statement again(reader, "SELECT count(*) FROM runs WHERE instr(?, ',' || id || ':' || "
                                    "seconds || ',') > 0");
    again.bind(1, "," + timings + ",");
    ASSERT_TRUE(again.executeStep());
    EXPECT_EQ(again.getColumn(0).getInt64(), done);

    // And the whole is what one uninterrupted series stores.
    ASSERT_EQ(Series(dir, plan + " --threads 2 --db whole.sqlite").exitCode, 0);
    EXPECT_EQ(Dump(db), Dump(dir.file("whole.sqlite")));
}

TEST(SeriesTest, SigtermStopsTheSeriesWhileItRecordsThePlanOrRuns)
{
    TempDir dir;
    // Ten million runs take about a minute to record; the signal comes as
    // soon as the database exists, and nothing of the plan is kept.
    const std::string huge = "--generations 1,2,3,4,5,6,7,8,9,10 --mutants 1,2,3,4,5,6,7,8,9,10 "
                             "--step 1,2,3,4,5,6,7,8,9,10 --repeat 10000 --seed 1";
    BackgroundProcess recording(dir, Quote(ZARUDIV_SERIES) + " " + huge + " --db huge.sqlite",
                                "recording");
    ASSERT_TRUE(recording.started());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (recording.running() && !std::filesystem::exists(dir.file("huge.sqlite")) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    recording.signal(SIGTERM);
    const ProcessResult stopped = recording.wait();
    EXPECT_EQ(stopped.exitCode, 143) << stopped.err;
    EXPECT_EQ(stopped.err,
              "zarudiv-series: stopped by SIGTERM while the plan was recorded; nothing of it was "
              "recorded or run; run the same command again to start the series\n");
    EXPECT_EQ(zarudiv::testing::CountRows(dir.file("huge.sqlite"), "runs", "1"), 0);
    EXPECT_EQ(zarudiv::testing::CountRows(dir.file("huge.sqlite"), "plans", "1"), 0);

    // While the runs go on, SIGTERM stops the series as Ctrl-C does.
    const std::string plan = "--generations 60 --mutants 8 --step 700 --repeat 24 --seed 5";
    BackgroundProcess running(dir, Quote(ZARUDIV_SERIES) + " " + plan + " --threads 1 --db s.sqlite");
    ASSERT_TRUE(running.started());
    zarudiv::testing::AwaitDone(running, dir.file("s.sqlite"), 1);
    ASSERT_TRUE(running.running()) << "the series ended before the signal";
    running.signal(SIGTERM);
    const ProcessResult ended = running.wait();
    EXPECT_EQ(ended.exitCode, 143) << ended.err;
    const std::int64_t done = zarudiv::testing::CountRows(dir.file("s.sqlite"), "runs", "status = 'done'");
    // The run in flight is kept where it stopped, unless it ended with the
    // signal; a run handed out but not yet begun comes back abandoned, and
    // nothing of it was computed. Either way every run is done or to do.
    const std::string last = ended.err.substr(ended.err.rfind("zarudiv-series: "));
    const std::string stored = "zarudiv-series: stopped by SIGTERM: " + std::to_string(done) +
                               " of 24 runs done and stored, ";
    EXPECT_EQ(last.substr(0, stored.size()), stored) << last;
    EXPECT_TRUE(last.ends_with(", kept; run the same command again to continue\n") ||
                last.ends_with(" abandoned; run the same command again to continue\n"))
        << last;
    EXPECT_EQ(zarudiv::testing::CountRows(dir.file("s.sqlite"), "runs", "status = 'pending'"),
              24 - done);
    EXPECT_EQ(ended.out, "");
}

TEST(SeriesTest, AnotherPlanAddsOnlyItsNewRuns)
{
    TempDir dir;
    ASSERT_EQ(Series(dir, "--generations 5 --mutants 2 --step 100 --repeat 2 --seed 1").exitCode, 0);
    // Protocols asked for only now: the two runs done before have none, and
    // the series says so.
    const ProcessResult wider =
        Series(dir, "--generations 5,7 --mutants 2 --step 100 --repeat 3 --seed 1 --protocols prot");
    ASSERT_EQ(wider.exitCode, 0) << wider.err;
    EXPECT_NE(wider.err.find("= 6 runs; 2 already done, 4 to run"), std::string::npos) << wider.err;
    EXPECT_NE(wider.err.find("zarudiv-series: warning: --protocols prot: 2 of the 2 runs done before "
                             "have no protocol there (they ran without --protocols) and are not "
                             "run again; zarudiv-run --generations G --mutants M --step P --seed "
                             "S --save --protocol FILE writes any run's protocol\n"),
              std::string::npos)
        << wider.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("prot")),
                            std::filesystem::directory_iterator()),
              4);
    const std::string db = dir.file("series.sqlite");
    EXPECT_EQ(Count(db, "SELECT count(*) FROM runs"), 6);
    EXPECT_EQ(Count(db, "SELECT count(*) FROM plans"), 2);
    EXPECT_EQ(Count(db, "SELECT max(plan_id) FROM runs WHERE generations = 5 AND seed < 3"), 1);
    // The table covers the wider plan's two settings.
    EXPECT_EQ(Split(wider.out, '\n').size(), 3u) << wider.out;
}

TEST(SeriesTest, AFailedRunIsStoredAndTheOthersGoOn)
{
    TempDir dir;
    // A directory where one protocol should go: that run cannot be kept.
    std::filesystem::create_directories(dir.file("prot/G4_M2_P300_S8.doc"));
    const std::string command = "--generations 4 --mutants 2 --step 300 --repeat 3 --seed 7 --protocols prot";
    const ProcessResult first = Series(dir, command);
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_NE(first.err.find("1 run failed"), std::string::npos) << first.err;
    const std::string db = dir.file("series.sqlite");
    EXPECT_EQ(Count(db, "SELECT count(*) FROM runs WHERE status = 'done'"), 2);
    SQLite::Database reader(db, SQLite::OPEN_READONLY, kReaderWait);
    EXPECT_EQ(reader.execAndGet("SELECT seed || ' ' || error FROM runs WHERE status = 'failed'")
                  .getString(),
              "8 cannot write the protocol prot/G4_M2_P300_S8.doc: Is a directory");
    EXPECT_EQ(Count(db, "SELECT count(*) FROM generations JOIN runs ON runs.id = run_id "
                        "WHERE status = 'failed'"),
              0);

    std::filesystem::remove(dir.file("prot/G4_M2_P300_S8.doc"));
    const ProcessResult retried = Series(dir, command);
    EXPECT_EQ(retried.exitCode, 0) << retried.err;
    EXPECT_NE(retried.err.find("2 already done, 1 to run"), std::string::npos) << retried.err;
    EXPECT_EQ(Count(db, "SELECT count(*) FROM runs WHERE status = 'done' AND error IS NULL"), 3);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("prot/G4_M2_P300_S8.doc")));
}

TEST(SeriesTest, AProtocolAnotherCampaignWritesIsNotReplaced)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("prot"));
    const std::string held = dir.file("prot/G3_M2_P300_S7.doc");
    zarudiv::ProtocolFile other;
    zarudiv::OpenProtocol(other, held);
    zarudiv::WriteProtocolHeader(other, 3, 2, 3e-7);
    other.flush();
    const std::string before = ReadBytes(held);

    const ProcessResult run =
        Series(dir, "--generations 3 --mutants 2 --step 300 --repeat 2 --seed 7 --protocols prot");
    EXPECT_EQ(run.exitCode, 1);
    SQLite::Database reader(dir.file("series.sqlite"), SQLite::OPEN_READONLY, kReaderWait);
    EXPECT_EQ(reader.execAndGet("SELECT seed || ' ' || error FROM runs WHERE status = 'failed'")
                  .getString(),
              "7 cannot write the protocol prot/G3_M2_P300_S7.doc: the file is in use by "
              "another program");
    EXPECT_EQ(ReadBytes(held), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("prot")),
                            std::filesystem::directory_iterator()),
              2);
    zarudiv::CloseProtocol(other);
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SeriesTest, FilesAreWrittenWholeThroughNamesNobodyCanPlant)
{
    TempDir dir;
    std::ofstream(dir.file("victim.txt")) << "precious\n";
    std::filesystem::create_symlink("victim.txt", dir.file("out.csv.part"));
    std::filesystem::create_directories(dir.file("prot"));
    std::ofstream(dir.file("prot/G3_M2_P300_S7.doc.part")) << "the user's own\n";
    const ProcessResult run = Series(dir, "--generations 3 --mutants 2 --step 300 --repeat 1 "
                                          "--seed 7 --protocols prot --csv out.csv --plots pics");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(dir.file("victim.txt")), "precious\n");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("out.csv")));
    EXPECT_EQ(ReadBytes(dir.file("out.csv")).rfind("generations,mutants,", 0), 0u);
    EXPECT_EQ(ReadBytes(dir.file("prot/G3_M2_P300_S7.doc.part")), "the user's own\n");
    EXPECT_EQ(Names(dir.file("prot")),
              (std::vector<std::string>{"G3_M2_P300_S7.doc", "G3_M2_P300_S7.doc.part"}));
    EXPECT_EQ(Names(dir.file("pics")), (std::vector<std::string>{"convergence.png", "final-q.png"}));
    EXPECT_EQ(Names(dir.path().string()),
              (std::vector<std::string>{"out.csv", "out.csv.part", "pics", "prot", "series.err",
                                        "series.out", "series.sqlite", "victim.txt"}));
}

TEST(SeriesTest, TheTableTheCsvAndThePicturesComeFromTheDatabase)
{
    TempDir dir;
    const ProcessResult run = Series(dir, "--generations 12 --mutants 3 --step 200,900 --repeat 5 "
                                          "--seed 11 --csv table.csv --plots pics");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> csv = Split(ReadBytes(dir.file("table.csv")), '\n');
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[0], "generations,mutants,step_ppm,runs,best,q1,median,q3,worst,"
                      "median_evaluations_to_best");
    const std::vector<std::string> table = Split(run.out, '\n');
    ASSERT_EQ(table.size(), 3u);
    for (std::size_t line = 1; line <= 2; ++line) {
        const std::vector<std::string> fields = Split(csv[line], ',');
        ASSERT_EQ(fields.size(), 10u);
        // With five runs the quartiles are the second, third and fourth
        // final Q exactly.
        SQLite::Database db(dir.file("series.sqlite"), SQLite::OPEN_READONLY, kReaderWait);
        SQLite::Statement finals(db, "SELECT best_q FROM runs WHERE step_ppm = ? ORDER BY best_q");
        finals.bind(1, std::stoi(fields[2]));
        std::vector<std::string> sorted;
        while (finals.executeStep())
            sorted.push_back(Real(finals.getColumn(0).getDouble()));
        ASSERT_EQ(sorted.size(), 5u);
        EXPECT_EQ(fields[3], "5");
        EXPECT_EQ(std::vector<std::string>(fields.begin() + 4, fields.begin() + 9), sorted);
        // The table shows the same setting in the same place, rounded.
        char median[32];
        std::snprintf(median, sizeof median, "%.6f", std::stod(fields[6]));
        EXPECT_NE(table[line].find("G=12 M=3 P=" + fields[2]), std::string::npos);
        EXPECT_NE(table[line].find(median), std::string::npos) << table[line];
    }
    // Best settings first.
    EXPECT_LE(std::stod(Split(csv[1], ',')[6]), std::stod(Split(csv[2], ',')[6]));

    for (const char* picture : {"pics/convergence.png", "pics/final-q.png"}) {
        const std::string png = ReadBytes(dir.file(picture));
        ASSERT_GT(png.size(), 10000u) << picture;
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n") << picture;
        EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x05\x00\0\0\x02\xf8", 8)) << picture;  // 1280x760
    }

    // Thirty settings: the pictures are drawn (the best 24 as curves), and
    // written whole, nothing left beside them.
    const ProcessResult many = Series(dir, "--generations 3 --mutants 1,2,3,4,5 --step 1,2,3,4,5,6 "
                                           "--repeat 1 --seed 11 --db many.sqlite --plots many");
    ASSERT_EQ(many.exitCode, 0) << many.err;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("many")))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"convergence.png", "final-q.png"}));
    for (const std::string& file : files)
        EXPECT_EQ(ReadBytes(dir.file("many/" + file)).substr(0, 8), "\x89PNG\r\n\x1a\n") << file;
}

TEST(SeriesTest, BadInputExitsWithTwoAndLeavesTheDatabaseAlone)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"--generations 5,5 --mutants 2 --step 1 --repeat 1",
         "zarudiv-series: --generations lists 5 twice\n"},
        {"--generations 5 --mutants 2, --step 1 --repeat 1",
         "zarudiv-series: --mutants needs a comma-separated list of whole numbers from 1 to 100 "
         "(got \"2,\")\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 0",
         "zarudiv-series: --repeat needs a whole number from 1 to 100000 (got \"0\")\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 1 --db :memory:",
         "zarudiv-series: --db :memory: is a name SQLite keeps for a database in memory, which "
         "keeps nothing; give a file name (./:memory: for a file of that name)\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 1 --csv ./series.sqlite",
         "zarudiv-series: --db series.sqlite and --csv ./series.sqlite name the same file; give "
         "each output a file of its own\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 1 --csv series.sqlite-wal",
         "zarudiv-series: the -wal file of --db series.sqlite and --csv series.sqlite-wal name "
         "the same file; give each output a file of its own\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 1 --csv sub/../series.sqlite-shm",
         "zarudiv-series: the -shm file of --db series.sqlite and --csv sub/../series.sqlite-shm "
         "name the same file; give each output a file of its own\n"},
        {"--generations 5 --mutants 2 --step 1 --repeat 1 --csv pics/final-q.png --plots pics",
         "zarudiv-series: --csv pics/final-q.png and --plots pics (pics/final-q.png) name the "
         "same file; give each output a file of its own\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult run = Series(dir, c.args);
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_EQ(run.err, c.message) << c.args;
        for (const char* made : {"series.sqlite", ":memory:", "pics"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(made))) << c.args;
    }

    std::ofstream(dir.file("notes.sqlite")) << "not a database, but a file somebody needs\n";
    const ProcessResult notOurs =
        Series(dir, "--generations 5 --mutants 2 --step 1 --repeat 1 --seed 1 --db notes.sqlite");
    EXPECT_EQ(notOurs.exitCode, 2);
    EXPECT_EQ(notOurs.err.rfind("zarudiv-series: --db notes.sqlite: not a series database", 0), 0u)
        << notOurs.err;
    EXPECT_EQ(ReadBytes(dir.file("notes.sqlite")), "not a database, but a file somebody needs\n");

    // A database another series holds is refused, not waited for, and the
    // refused series makes none of its outputs.
    zarudiv::SeriesStore holder(dir.file("busy.sqlite"));
    const ProcessResult busy =
        Series(dir, "--generations 5 --mutants 2 --step 1 --repeat 1 --seed 1 --db busy.sqlite "
                    "--csv t.csv --protocols prot --plots pics");
    EXPECT_EQ(busy.exitCode, 3);
    EXPECT_NE(busy.err.find("another series is using this database"), std::string::npos) << busy.err;
    for (const char* output : {"t.csv", "prot", "pics"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(output))) << output;
}

TEST(SeriesTest, AClosedPipeOnStdoutFailsTheTableAndKeepsTheOtherOutputs)
{
    TempDir dir;
    const ProcessResult run = zarudiv::testing::RunIntoClosedPipe(
        dir, Quote(ZARUDIV_SERIES) + " --generations 2 --mutants 1,2 --step 1,2 --repeat 1 "
                                     "--seed 1 --csv hp.csv --plots hpp");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("\nzarudiv-series: the table cannot be written to the standard output "
                           "(Broken pipe)\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Split(ReadBytes(dir.file("hp.csv")), '\n').size(), 5u);
    EXPECT_EQ(Names(dir.file("hpp")), (std::vector<std::string>{"convergence.png", "final-q.png"}));
    EXPECT_EQ(Count(dir.file("series.sqlite"), "SELECT count(*) FROM runs WHERE status = 'done'"), 4);
}

TEST(SeriesTest, OutputsThatCannotBeWrittenFailBeforeAnyRun)
{
    TempDir dir;
    const std::string plan = "--generations 5 --mutants 2 --step 1 --repeat 2 --seed 1";
    // An earlier series' database is kept as it was; a new one is not left behind.
    ASSERT_EQ(Series(dir, plan + " --db kept.sqlite").exitCode, 0);
    const std::string kept = Dump(dir.file("kept.sqlite"));

    std::vector<std::pair<std::string, std::string>> cases = {
        {"--csv missing/t.csv", "--csv missing/t.csv: No such file or directory"},
        {"--protocols kept.sqlite", "--protocols kept.sqlite: not a directory"},
    };
    // As root, permissions do not stop a write: a read-only file system does.
    zarudiv::testing::SmallMount readOnly("ro,size=64k");
    if (readOnly.mounted()) {
        const std::string ro = readOnly.dir().path().string();
        cases.push_back({"--protocols " + ro, "--protocols " + ro +
                                                  ": no file can be written there (Read-only "
                                                  "file system)"});
        cases.push_back({"--plots " + ro, "--plots " + ro +
                                              ": no file can be written there (Read-only file "
                                              "system)"});
        cases.push_back({"--csv " + ro + "/t.csv", "--csv " + ro + "/t.csv: Read-only file system"});
    } else {
        std::printf("read-only outputs not tried: %s\n", readOnly.reason().c_str());
    }
    // A table that cannot be written is a failure too; the runs stay stored.
    const ProcessResult full =
        zarudiv::testing::RunProgram(dir, ZARUDIV_SERIES, plan + " --db full.sqlite", "",
                                     " >/dev/full 2>" + Quote(dir.file("stderr.txt")));
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("\nzarudiv-series: the table cannot be written to the standard "
                            "output (No space left on device)\n"),
              std::string::npos)
        << full.err;
    EXPECT_EQ(Count(dir.file("full.sqlite"), "SELECT count(*) FROM runs WHERE status = 'done'"), 2);

    for (const auto& [option, message] : cases) {
        for (const char* db : {"new.sqlite", "kept.sqlite"}) {
            SCOPED_TRACE(option + " --db " + db);
            const ProcessResult run = Series(dir, plan + " " + option + " --db " + db);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.err, "zarudiv-series: " + message + "\n");
            EXPECT_EQ(run.out, "");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("new.sqlite")));
        EXPECT_EQ(Dump(dir.file("kept.sqlite")), kept);
    }
}

}  // namespace
