#include "dashboard/replay_queue.h"

#include <algorithm>

namespace zarudiv {

ReplayQueue::ReplayQueue(Replay replay, std::size_t maxWaiting, std::size_t kept)
    : replay_(std::move(replay)), maxWaiting_(maxWaiting), kept_(std::max<std::size_t>(1, kept))
{
    worker_ = std::thread([this] { work(); });
}

ReplayQueue::~ReplayQueue()
{
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        waiting_.clear();
        stop_.request();
    }
    wake_.notify_all();
    worker_.join();
}

ReplayQueue::State ReplayQueue::request(std::int64_t runId, const RunKey& key)
{
    std::lock_guard lock(mutex_);
    State state;
    for (auto it = done_.begin(); it != done_.end(); ++it)
        if (it->first == runId) {
            done_.splice(done_.begin(), done_, it);  // asked for again: kept longer
            state.kind = State::Kind::Ready;
            state.result = done_.front().second;
            return state;
        }
    if (runningId_ == runId) {
        state.kind = State::Kind::Running;
        return state;
    }
    for (std::size_t i = 0; i < waiting_.size(); ++i)
        if (waiting_[i].runId == runId) {
            state.kind = State::Kind::Queued;
            state.position = i + (runningId_ >= 0 ? 1 : 0);
            return state;
        }
    if (waiting_.size() >= maxWaiting_)
        return state;  // Full
    waiting_.push_back(Job{runId, key});
    state.kind = State::Kind::Queued;
    state.position = waiting_.size() - 1 + (runningId_ >= 0 ? 1 : 0);
    wake_.notify_one();
    return state;
}

void ReplayQueue::work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
        if (closing_)
            return;
        const Job job = waiting_.front();
        waiting_.pop_front();
        runningId_ = job.runId;
        lock.unlock();
        auto result = std::make_shared<const ReplayResult>(replay_(job.key, stop_));
        lock.lock();
        runningId_ = -1;
        if (closing_)
            return;
        done_.emplace_front(job.runId, std::move(result));
        if (done_.size() > kept_)
            done_.pop_back();
    }
}

}  // namespace zarudiv
