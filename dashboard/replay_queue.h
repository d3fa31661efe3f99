#pragma once
// Replays are the one costly thing a request can ask for: they run one at a
// time on a thread of their own, in the order asked, with a bounded queue;
// the last few results are kept, so that a run's pictures and its protocol
// come from one replay.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "dashboard/run_replay.h"

namespace zarudiv {

class ReplayQueue {
public:
    using Replay = std::function<ReplayResult(const RunKey&, const StopRequest&)>;

    // maxWaiting replays wait behind the one that runs; kept results stay
    // until newer ones push them out.
    explicit ReplayQueue(Replay replay = ReplayRun, std::size_t maxWaiting = 4,
                         std::size_t kept = 8);
    // Stops the replay that runs (at the end of its generation) and drops
    // the waiting ones.
    ~ReplayQueue();
    ReplayQueue(const ReplayQueue&) = delete;
    ReplayQueue& operator=(const ReplayQueue&) = delete;

    struct State {
        enum class Kind { Queued, Running, Ready, Full };
        Kind kind = Kind::Full;
        std::size_t position = 0;  // Queued: replays before this one
        std::shared_ptr<const ReplayResult> result;  // Ready
    };

    // The run's replay: ready, running, queued (asked for now when it was
    // neither), or refused because the queue is full.
    State request(std::int64_t runId, const RunKey& key);

private:
    struct Job {
        std::int64_t runId = 0;
        RunKey key;
    };

    void work();

    Replay replay_;
    std::size_t maxWaiting_;
    std::size_t kept_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> waiting_;
    std::int64_t runningId_ = -1;
    std::list<std::pair<std::int64_t, std::shared_ptr<const ReplayResult>>> done_;  // newest first
    StopRequest stop_;
    bool closing_ = false;
    std::thread worker_;
};

}  // namespace zarudiv
