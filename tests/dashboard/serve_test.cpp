// zarudiv-series serve over a series it did not make: what it answers, what
// it refuses, and that it changes nothing.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "tests/dashboard/dashboard_process.h"

namespace {

using namespace zarudiv::testing;

std::set<std::string> Listing(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

std::vector<std::string> CsvFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : line + ",") {
        if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    return fields;
}

std::string Exact(const nlohmann::json& value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value.get<double>());
    return text;
}

// One small series for every test of the suite, and the server over it.
class ServeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new TempDir;
        series_ = new ProcessResult(RunProcess(
            *dir_, Quote(ZARUDIV_SERIES) + " --generations 8,16 --mutants 3 --step 300,900 "
                   "--repeat 3 --seed 5 --threads 2 --db s.sqlite --csv table.csv",
            "series"));
        server_ = new ServeProcess(*dir_, "--db s.sqlite");
    }
    static void TearDownTestSuite()
    {
        delete server_;
        delete series_;
        delete dir_;
    }
    void SetUp() override
    {
        ASSERT_EQ(series_->exitCode, 0) << series_->err;
        ASSERT_NE(server_->port(), 0) << ReadBytes(dir_->file("serve.err"));
    }
    static int port() { return server_->port(); }

    static TempDir* dir_;
    static ProcessResult* series_;
    static ServeProcess* server_;
};

TempDir* ServeTest::dir_ = nullptr;
ProcessResult* ServeTest::series_ = nullptr;
ServeProcess* ServeTest::server_ = nullptr;

TEST_F(ServeTest, ComparisonTableHoldsTheSeriesNumbersExactly)
{
    nlohmann::json comparison;
    for (int i = 0; i < 300; ++i) {
        const Answer answer = Get(port(), "/api/plans/1/comparison");
        if (answer.status == 200) {
            comparison = answer.json();
            break;
        }
        ASSERT_EQ(answer.status, 202) << answer.body;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(comparison.contains("tables")) << comparison.dump();
    const nlohmann::json& rows = comparison["tables"][0]["rows"];
    // The CSV has the same settings in the same order, the reals to 17 digits.
    const std::string csv = ReadBytes(dir_->file("table.csv"));
    std::vector<std::string> lines;
    for (std::size_t at = csv.find('\n') + 1, next; (next = csv.find('\n', at)) != std::string::npos;
         at = next + 1)
        lines.push_back(csv.substr(at, next - at));
    ASSERT_EQ(rows.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::vector<std::string> f = CsvFields(lines[i]);
        const nlohmann::json& row = rows[i];
        EXPECT_EQ(std::to_string(row["generations"].get<int>()) + "," +
                      std::to_string(row["mutants"].get<int>()) + "," +
                      std::to_string(row["step_ppm"].get<int>()),
                  f[0] + "," + f[1] + "," + f[2]);
        EXPECT_EQ(std::to_string(row["runs"].get<int>()), f[3]);
        EXPECT_EQ(Exact(row["best"]), f[4]);
        EXPECT_EQ(Exact(row["median"]), f[6]);
        EXPECT_EQ(Exact(row["worst"]), f[8]);
    }
    EXPECT_EQ(comparison["best_setting"], rows[0]["setting"]);
    // Each charted setting's curve ends at the median of its final Qs.
    for (const nlohmann::json& setting : comparison["charts"]["settings"]) {
        const nlohmann::json& row = *std::find_if(rows.begin(), rows.end(), [&](const auto& r) {
            return r["setting"] == setting["label"];
        });
        EXPECT_EQ(setting["convergence"]["median"].back(), row["median"]) << setting["label"];
        EXPECT_EQ(setting["ecdf"].back()[1], 1.0);
    }
}

TEST_F(ServeTest, ReplayGivesTheRunnersPicturesAndProtocol)
{
    SQLite::Database db(dir_->file("s.sqlite"), SQLite::OPEN_READONLY, 10000);
    SQLite::Statement pick(db, "SELECT id, seed FROM runs WHERE generations = 16 AND "
                               "step_ppm = 900 ORDER BY id DESC LIMIT 1");
    ASSERT_TRUE(pick.executeStep());
    const std::int64_t id = pick.getColumn(0).getInt64();
    const std::string seed = pick.getColumn(1).getString();

    const nlohmann::json replay = ReplayOf(port(), id);
    ASSERT_EQ(replay.value("state", ""), "ready") << replay.dump();
    EXPECT_EQ(replay["protocol_matches_database"], true);

    TempDir runner;
    const ProcessResult run = RunProcess(runner, Quote(ZARUDIV_RUN) +
                                                     " --generations 16 --mutants 3 --step 900 "
                                                     "--seed " + seed +
                                                     " --save --plots p --protocol r.doc");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::size_t compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(runner.file("p"))) {
        const std::string name = entry.path().filename().string();
        const Answer png = Get(port(), "/api/runs/" + std::to_string(id) + "/pictures/" + name);
        EXPECT_EQ(png.status, 200) << name;
        EXPECT_EQ(png.contentType, "image/png");
        EXPECT_TRUE(png.body == ReadBytes(entry.path().string())) << name << " differs";
        ++compared;
    }
    EXPECT_EQ(compared, 8u);
    EXPECT_EQ(replay["pictures"].size(), 8u);

    const Answer protocol = Get(port(), "/api/runs/" + std::to_string(id) + "/protocol");
    ASSERT_EQ(protocol.status, 200);
    const std::string expected = ReadBytes(runner.file("r.doc"));
    EXPECT_TRUE(protocol.body.substr(protocol.body.find("\r\n")) ==
                expected.substr(expected.find("\r\n")))
        << "the protocol differs from the runner's after its first line";
    EXPECT_NE(protocol.body.find("G16_M3_P900_S" + seed + ".doc"), std::string::npos);
}

TEST_F(ServeTest, BadRequestsAreRefusedWithAShortJsonErrorAndChangeNothing)
{
    const std::string file = dir_->file("s.sqlite");
    const std::string before = ReadBytes(file);
    const std::set<std::string> listing = Listing(*dir_);
    struct Case {
        std::string method;
        std::string path;
        int status;
    };
    const std::string huge(5000, '9');
    const std::vector<Case> cases = {
        {"GET", "/api/runs/0", 400},
        {"GET", "/api/runs/-1", 400},
        {"GET", "/api/runs/1e3", 400},
        {"GET", "/api/runs/" + huge, 400},
        {"GET", "/api/runs/99999", 404},
        {"GET", "/api/runs/99999/replay", 404},
        {"GET", "/api/runs/1/pictures/..%2F..%2Fs.sqlite", 404},
        {"GET", "/api/runs/1/pictures/Image5.png", 409},  // not replayed yet
        {"GET", "/api/runs/1/protocol?file=/etc/passwd", 400},
        {"GET", "/../../etc/passwd", 404},
        {"GET", "/%2e%2e/%2e%2e/etc/passwd", 404},
        {"GET", "/s.sqlite", 404},
        {"GET", "/api/runs?limit=100000", 400},
        {"GET", "/api/runs?offset=" + huge, 400},
        {"GET", "/api/runs?status=done';DROP%20TABLE%20runs;--", 400},
        {"GET", "/api/runs?generations=8", 400},
        {"GET", "/api/runs?plan=1&plan=2", 400},
        {"GET", "/api/runs?nonsense=1", 400},
        {"GET", "/api/plans/77/comparison", 404},
        {"GET", "/api/plans/x/comparison", 400},
        {"GET", "/api/nothing", 404},
        {"POST", "/api/overview", 405},
        {"DELETE", "/api/runs/1", 405},
        {"PUT", "/index.html", 405},
    };
    for (const Case& c : cases) {
        httplib::Client client("127.0.0.1", port());
        httplib::Result result =
            c.method == "GET"      ? client.Get(c.path.c_str())
            : c.method == "POST"   ? client.Post(c.path.c_str(), "{}", "application/json")
            : c.method == "DELETE" ? client.Delete(c.path.c_str())
                                   : client.Put(c.path.c_str(), "x", "text/plain");
        ASSERT_TRUE(result) << c.method << " " << c.path;
        EXPECT_EQ(result->status, c.status) << c.method << " " << c.path << ": " << result->body;
        const nlohmann::json error = nlohmann::json::parse(result->body, nullptr, false);
        EXPECT_TRUE(error.is_object() && error.contains("error"))
            << c.method << " " << c.path << ": " << result->body;
        EXPECT_LT(result->body.size(), 300u) << c.path;
    }
    // A name that is not this machine's loopback is not answered.
    EXPECT_EQ(Get(port(), "/api/overview", {{"Host", "attacker.example:80"}}).status, 403);
    EXPECT_TRUE(ReadBytes(file) == before) << "the database changed";
    // SQLite's side files of a WAL database are all a reader may add.
    std::set<std::string> now = Listing(*dir_);
    now.erase("s.sqlite-wal");
    now.erase("s.sqlite-shm");
    std::set<std::string> then = listing;
    then.erase("s.sqlite-wal");
    then.erase("s.sqlite-shm");
    EXPECT_EQ(now, then);
    // The server still answers.
    EXPECT_EQ(Get(port(), "/api/overview").status, 200);
}

TEST_F(ServeTest, AnUnchangedOverviewCostsA304)
{
    httplib::Client client("127.0.0.1", port());
    const httplib::Result first = client.Get("/api/overview");
    ASSERT_TRUE(first);
    const std::string tag = first->get_header_value("ETag");
    ASSERT_FALSE(tag.empty());
    const httplib::Result again = client.Get("/api/overview", {{"If-None-Match", tag}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 304);
    EXPECT_TRUE(again->body.empty());
}

// ---- starting up ---------------------------------------------------------

int ListeningSocket(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    port = ntohs(address.sin_port);
    return fd;
}

TEST(ServeStartTest, WhatCannotBeServedEndsWithAMessageAndItsExitCode)
{
    TempDir dir;
    {
        std::FILE* text = std::fopen(dir.file("notes.txt").c_str(), "w");
        std::fputs("not a database at all, but long enough to look at its header ....", text);
        std::fclose(text);
        SQLite::Database other(dir.file("other.sqlite"), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        other.exec("CREATE TABLE t(x)");
    }
    std::fclose(std::fopen(dir.file("empty.sqlite").c_str(), "w"));
    int taken = 0;
    const int socket = ListeningSocket(taken);
    ASSERT_GE(socket, 0);
    RunProcess(dir, Quote(ZARUDIV_SERIES) + " --generations 2 --mutants 1 --step 5 --repeat 1 "
                    "--seed 1 --db s.sqlite", "series");
    struct Case {
        std::string args;
        int exitCode;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"--db missing.sqlite", 2, "--db missing.sqlite: no such file"},
        {"--db notes.txt", 2, "--db notes.txt: not a series database"},
        {"--db empty.sqlite", 2, "--db empty.sqlite: an empty file, not a series database"},
        {"--db other.sqlite", 2, "an SQLite database of another program"},
        {"--db .", 2, "--db .: not a regular file"},
        {"--db s.sqlite --port " + std::to_string(taken), 4, "the port is in use"},
        {"--db s.sqlite --port 70000", 2, "--port needs a whole number from 0 to 65535"},
        {"--db s.sqlite --bind 203.0.113.9", 4, "cannot listen on 203.0.113.9"},
        {"--db s.sqlite --frobnicate", 2, "unknown option \"--frobnicate\""},
    };
    for (const Case& c : cases) {
        const ProcessResult result =
            RunProcess(dir, "timeout 20 " + Quote(ZARUDIV_SERIES) + " serve " + c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args << ": " << result.err;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << c.args << ": " << result.err;
    }
    ::close(socket);
}

TEST(ServeStartTest, CtrlCEndsTheServerWithExitZero)
{
    TempDir dir;
    RunProcess(dir, Quote(ZARUDIV_SERIES) + " --generations 2 --mutants 1 --step 5 --repeat 1 "
                    "--seed 1 --db s.sqlite", "series");
    ServeProcess server(dir, "--db s.sqlite");
    ASSERT_NE(server.port(), 0);
    const std::optional<ProcessResult> result = server.stop();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0) << result->err;
    EXPECT_NE(result->err.find("ended by SIGINT"), std::string::npos) << result->err;
}

}  // namespace
