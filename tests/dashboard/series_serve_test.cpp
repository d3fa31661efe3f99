// zarudiv-series --serve PORT: the dashboard beside a running series.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "tests/dashboard/dashboard_process.h"

namespace {

using namespace zarudiv::testing;

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(SeriesServeTest, TheSeriesServesItsOwnDatabaseWhileItRuns)
{
    TempDir dir;
    const int port = FreePort();
    BackgroundProcess series(dir, Quote(ZARUDIV_SERIES) +
                                      " --generations 150 --mutants 10 --step 500 --repeat 6 "
                                      "--seed 3 --threads 1 --db s.sqlite --serve " +
                                      std::to_string(port));
    nlohmann::json overview;
    for (int i = 0; i < 600 && series.running(); ++i) {
        overview = Get(port, "/api/overview").json();
        if (overview.is_object() && !overview["plans"].empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(overview.is_object() && !overview["plans"].empty())
        << ReadBytes(dir.file("background.err"));
    EXPECT_EQ(overview["plans"][0]["runs"], 6);
    EXPECT_LT(overview["plans"][0]["done"].get<int>(), 6) << "the series was over too soon";
    const std::optional<ProcessResult> result = series.waitFor(std::chrono::seconds(120));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0) << result->err;
    EXPECT_NE(result->err.find("http://127.0.0.1:" + std::to_string(port) + "/ shows the series"),
              std::string::npos) << result->err;
}

TEST(SeriesServeTest, APortInUseStopsTheSeriesBeforeAnyRun)
{
    TempDir dir;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    const ProcessResult result = RunProcess(
        dir, Quote(ZARUDIV_SERIES) + " --generations 5 --mutants 2 --step 5 --repeat 2 --seed 1 "
                                     "--db s.sqlite --serve " + std::to_string(ntohs(address.sin_port)));
    ::close(fd);
    EXPECT_EQ(result.exitCode, 4) << result.err;
    EXPECT_NE(result.err.find("--serve: cannot listen on 127.0.0.1"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("runs in"), std::string::npos) << "runs were run: " << result.err;
}

}  // namespace
