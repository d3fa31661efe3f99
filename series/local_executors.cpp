#include "series/local_executors.h"

#include <new>
#include <system_error>

namespace zarudiv {

namespace {

// An outcome for a run that did not come to its end. It never throws: what
// cannot be said for want of memory is a run short of resources.
RunOutcome Unfinished(const RunJob& job, RunStatus status, const char* error,
                      const std::string& host) noexcept
{
    RunOutcome outcome;
    outcome.runId = job.runId;
    outcome.key = job.key;
    outcome.status = status;
    try {
        outcome.error = error;
        outcome.host = host;
    } catch (...) {
        outcome.status = RunStatus::NoResources;
    }
    return outcome;
}

}  // namespace

LocalExecutors::LocalExecutors(unsigned threads, Task task, std::string host)
    : task_(std::move(task)), host_(std::move(host))
{
    // The coordinator hands a group no more runs than its cores and spares.
    outcomes_.reserve(2 * static_cast<std::size_t>(threads) + 2);
    stops_.reserve(threads);
    live_.reserve(threads);
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        stops_.push_back(std::make_unique<StopRequest>());
    for (unsigned i = 0; i < threads; ++i)
        live_.push_back(std::make_unique<LiveProgress>());
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
    for (RunOutcome& outcome : outcomes_)
        outcomes.push_back(std::move(outcome));
    outcomes_.clear();
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
        LiveProgress& live = *live_[index];
        live.begin(job.runId);
        RunOutcome outcome = attempt(job, stop, live);
        live.end();
        {
            std::lock_guard lock(mutex_);
            outcomes_.push_back(std::move(outcome));
        }
        outcomeReady_.notify_all();
    }
}

void LocalExecutors::progress(std::vector<RunProgress>& runs) const
{
    for (const auto& live : live_) {
        RunProgress run;
        if (live->read(run))
            runs.push_back(run);
    }
}

RunOutcome LocalExecutors::attempt(const RunJob& job, const StopRequest& stop,
                                   LiveProgress& live) const noexcept
{
    try {
        return task_(job, stop, live);
    } catch (const std::bad_alloc&) {
        return Unfinished(job, RunStatus::NoResources, "out of memory", host_);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::resource_unavailable_try_again)
            return Unfinished(job, RunStatus::NoResources, "no threads", host_);
        return Unfinished(job, RunStatus::Failed, error.what(), host_);
    } catch (const std::exception& error) {
        return Unfinished(job, RunStatus::Failed, error.what(), host_);
    }
}

}  // namespace zarudiv
