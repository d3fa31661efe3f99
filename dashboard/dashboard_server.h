#pragma once
// The dashboard's web server: the page, and a read-only JSON interface over
// a series database. The overview is rebuilt by one thread of its own when
// the database changes (at a bounded rate), so that requests answer from
// memory however many pages poll; comparisons are computed on another thread
// and kept; replays go through a queue of their own.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "dashboard/overview.h"
#include "dashboard/replay_queue.h"
#include "dashboard/series_reader.h"
#include "series/plan.h"

namespace zarudiv {

struct DashboardOptions {
    std::string db;
    std::string bind = "127.0.0.1";
    int port = 8080;
    // The overview is rebuilt at most this often (and less often when a
    // rebuild takes long: it then uses at most 1/30 of a core).
    std::chrono::milliseconds refresh{1000};
    ReplayQueue::Replay replay = ReplayRun;
    std::size_t replaysWaiting = 4;
};

class DashboardServer {
public:
    // Opens the database read-only and checks that it is a series'; throws
    // SeriesReadError.
    explicit DashboardServer(DashboardOptions options);
    ~DashboardServer();
    DashboardServer(const DashboardServer&) = delete;
    DashboardServer& operator=(const DashboardServer&) = delete;

    // Binds the port; "" or what went wrong.
    std::string bind();
    // Serves until stop(); call after bind().
    void run();
    // Serves on a thread of its own until stop() or the destructor.
    void start();
    // Any thread may call it, once the server runs or before.
    void stop();

    std::string address() const;

private:
    struct Snapshot {
        std::uint64_t version = 0;
        std::string json;
        std::map<std::int64_t, SeriesPlan> plans;  // by plan key
        std::map<std::int64_t, std::int64_t> done;  // by plan key
        // by plan key: the plan's runs and how many have each status
        std::map<std::int64_t, std::map<std::string, std::int64_t>> counts;
    };
    struct Comparison {
        std::shared_ptr<const std::string> json;
        std::int64_t doneAtCompute = -1;
        std::chrono::steady_clock::time_point asked;
    };

    void routes();
    void refreshLoop();
    void rebuildOverview();
    void comparisonLoop();
    std::shared_ptr<const Snapshot> snapshot() const;
    // The answer to a request made before while the database was the same,
    // or the one make() gives now (kept for the next such request).
    std::shared_ptr<const std::string> cached(const std::string& key, std::uint64_t version,
                                              const std::function<std::string()>& make);

    void overview(const httplib::Request& request, httplib::Response& response);
    void comparison(const httplib::Request& request, httplib::Response& response);
    void runList(const httplib::Request& request, httplib::Response& response);
    void runPage(const httplib::Request& request, httplib::Response& response);
    void replay(const httplib::Request& request, httplib::Response& response);
    void picture(const httplib::Request& request, httplib::Response& response);
    void protocol(const httplib::Request& request, httplib::Response& response);

    DashboardOptions options_;
    ReaderPool readers_;
    std::unique_ptr<SQLite::Database> refreshDb_;
    std::unique_ptr<SQLite::Database> comparisonDb_;
    httplib::Server http_;
    int boundPort_ = 0;
    ReplayQueue replays_;

    mutable std::mutex snapshotMutex_;
    std::shared_ptr<const Snapshot> snapshot_;
    OverviewBuilder builder_;

    std::mutex comparisonMutex_;
    std::condition_variable comparisonWake_;
    std::map<std::int64_t, Comparison> comparisons_;

    std::mutex cacheMutex_;
    std::map<std::string, std::pair<std::uint64_t, std::shared_ptr<const std::string>>> cache_;

    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
    bool listening_ = false;
    std::atomic<bool> listenReturned_{false};
    std::thread refresher_;
    std::thread comparer_;
    std::thread listener_;
};

}  // namespace zarudiv
