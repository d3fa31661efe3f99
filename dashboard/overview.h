#pragma once
// The overview page's data: the plans with their progress and an estimate of
// the time left, the runs in flight with the best-Q curve seen so far, and
// the failed runs with their errors. Built by one thread at a time; it
// remembers what it saw before, for the rates and the live curves.

#include <SQLiteCpp/Database.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace zarudiv {

class OverviewBuilder {
public:
    using Clock = std::chrono::steady_clock;

    // At most this many runs in flight and failed runs are listed.
    static constexpr std::size_t kListedRuns = 100;
    // A live curve keeps at most this many points.
    static constexpr std::size_t kLivePoints = 600;

    nlohmann::json build(SQLite::Database& db, Clock::time_point now);

private:
    struct Sample {
        Clock::time_point when;
        std::int64_t finished = 0;
    };
    struct LivePoint {
        double seconds = 0.0;  // since the server first saw the run running
        nlohmann::json generation;
        nlohmann::json bestQ;
    };
    struct LiveRun {
        Clock::time_point firstSeen;
        std::vector<LivePoint> points;
    };

    nlohmann::json runningRuns(SQLite::Database& db, const std::vector<std::string>& columns,
                               Clock::time_point now);

    std::map<std::int64_t, std::deque<Sample>> finishedSeen_;  // by plan key
    std::map<std::int64_t, LiveRun> live_;                     // by run id
};

// A column's value as JSON: null, a whole number, a real or a text.
nlohmann::json ColumnValue(const SQLite::Column& column);

}  // namespace zarudiv
