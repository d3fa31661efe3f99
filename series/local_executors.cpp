#include "series/local_executors.h"

#include <system_error>

namespace zarudiv {

LocalExecutors::LocalExecutors(unsigned threads, Task task, std::string host)
    : task_(std::move(task)), host_(std::move(host))
{
    stops_.reserve(threads);
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        stops_.push_back(std::make_unique<StopRequest>());
    for (unsigned i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this, i] { work(i); });
        } catch (const std::system_error&) {
            // The system is out of threads: go on with those that started.
            if (threads_.empty())
                throw;
            break;
        }
    }
}

LocalExecutors::~LocalExecutors()
{
    stop();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

RunOutcome LocalExecutors::abandoned(const RunJob& job) const
{
    RunOutcome outcome;
    outcome.runId = job.runId;
    outcome.key = job.key;
    outcome.status = RunStatus::Abandoned;
    outcome.host = host_;
    return outcome;
}

void LocalExecutors::submit(const RunJob& job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            // Too late: it comes back at once, abandoned.
            outcomes_.push_back(abandoned(job));
            outcomeReady_.notify_all();
            return;
        }
        jobs_.push_back(job);
    }
    jobReady_.notify_one();
}

void LocalExecutors::collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds wait)
{
    std::unique_lock lock(mutex_);
    if (outcomes_.empty() && wait.count() > 0)
        outcomeReady_.wait_for(lock, wait, [this] { return !outcomes_.empty(); });
    while (!outcomes_.empty()) {
        outcomes.push_back(std::move(outcomes_.front()));
        outcomes_.pop_front();
    }
}

void LocalExecutors::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Jobs not started come back at once, abandoned.
        for (const RunJob& job : jobs_)
            outcomes_.push_back(abandoned(job));
        jobs_.clear();
        for (auto& stop : stops_)
            stop->request();
    }
    outcomeReady_.notify_all();
}

void LocalExecutors::work(std::size_t index)
{
    StopRequest& stop = *stops_[index];
    for (;;) {
        RunJob job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [this] { return closing_ || (!stopping_ && !jobs_.empty()); });
            if (closing_)
                return;
            job = jobs_.front();
            jobs_.pop_front();
        }
        RunOutcome outcome;
        try {
            outcome = task_(job, stop);
        } catch (const std::exception& error) {
            // Only resources can fail here (memory, threads); the run fails
            // and the series goes on.
            outcome = RunOutcome{};
            outcome.runId = job.runId;
            outcome.key = job.key;
            outcome.status = RunStatus::Failed;
            outcome.error = error.what();
            outcome.host = host_;
        }
        {
            std::lock_guard lock(mutex_);
            outcomes_.push_back(std::move(outcome));
        }
        outcomeReady_.notify_all();
    }
}

}  // namespace zarudiv
