// Replays one at a time, the waiting ones bounded, the results kept.

#include "dashboard/replay_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

using zarudiv::ReplayQueue;
using zarudiv::ReplayResult;
using zarudiv::RunKey;
using Kind = ReplayQueue::State::Kind;

// A replay that waits until the test lets it finish, and counts how many ran
// at the same time.
struct HeldReplays {
    std::mutex mutex;
    std::condition_variable changed;
    int released = 0;
    int started = 0;
    int running = 0;
    int mostAtOnce = 0;

    ReplayResult operator()(const RunKey& key, const zarudiv::StopRequest& stop)
    {
        std::unique_lock lock(mutex);
        const int number = started++;
        mostAtOnce = std::max(mostAtOnce, ++running);
        changed.notify_all();
        // A replay looks at its stop request between generations.
        while (!changed.wait_for(lock, std::chrono::milliseconds(1),
                                 [&] { return released > number || stop.requested(); })) {
        }
        --running;
        ReplayResult result;
        result.bestQ = key.seed;
        return result;
    }
    void release(int count)
    {
        std::lock_guard lock(mutex);
        released += count;
        changed.notify_all();
    }
    void waitStarted(int count)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return started >= count; });
    }
};

RunKey Key(std::uint32_t seed) { return RunKey{{10, 2, 5}, seed}; }

ReplayQueue::State WaitReady(ReplayQueue& queue, std::int64_t id)
{
    for (int i = 0; i < 2000; ++i) {
        const ReplayQueue::State state = queue.request(id, Key(static_cast<std::uint32_t>(id)));
        if (state.kind == Kind::Ready)
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return {};
}

TEST(ReplayQueueTest, OneRunsAtATimeAndTheQueueIsBounded)
{
    HeldReplays held;
    ReplayQueue queue([&](const RunKey& k, const zarudiv::StopRequest& s) { return held(k, s); },
                      2, 2);
    EXPECT_EQ(queue.request(1, Key(1)).kind, Kind::Queued);
    held.waitStarted(1);
    EXPECT_EQ(queue.request(1, Key(1)).kind, Kind::Running);
    const ReplayQueue::State second = queue.request(2, Key(2));
    EXPECT_EQ(second.kind, Kind::Queued);
    EXPECT_EQ(second.position, 1u);
    EXPECT_EQ(queue.request(3, Key(3)).position, 2u);
    EXPECT_EQ(queue.request(4, Key(4)).kind, Kind::Full);
    EXPECT_EQ(queue.request(2, Key(2)).kind, Kind::Queued);  // asking again keeps its place

    held.release(3);
    EXPECT_EQ(WaitReady(queue, 3).result->bestQ, 3.0);
    EXPECT_EQ(held.mostAtOnce, 1);
    // Two results are kept: the first is gone and would be replayed again.
    EXPECT_EQ(queue.request(2, Key(2)).kind, Kind::Ready);
    EXPECT_EQ(queue.request(1, Key(1)).kind, Kind::Queued);
    held.release(1);
    EXPECT_EQ(WaitReady(queue, 1).result->bestQ, 1.0);
    EXPECT_EQ(held.started, 4);
}

TEST(ReplayQueueTest, ClosingStopsTheReplayThatRuns)
{
    HeldReplays held;
    {
        ReplayQueue queue([&](const RunKey& k, const zarudiv::StopRequest& s) { return held(k, s); });
        queue.request(1, Key(1));
        queue.request(2, Key(2));
        held.waitStarted(1);
    }  // would hang here if the replay were not stopped
    EXPECT_EQ(held.started, 1);
}

}  // namespace
