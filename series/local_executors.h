#pragma once
// The runs of this process: one thread per run, as many threads as cores.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "campaign/campaign.h"
#include "series/executor_group.h"

namespace zarudiv {

class LocalExecutors : public ExecutorGroup {
public:
    // The task publishes its run's progress in the LiveProgress it is given.
    using Task = std::function<RunOutcome(const RunJob&, const StopRequest&, LiveProgress&)>;

    // Starts `threads` threads that run jobs with task. Throws
    // std::system_error when not even one thread can be started.
    LocalExecutors(unsigned threads, Task task, std::string host);
    // Abandons what still runs and joins the threads.
    ~LocalExecutors() override;
    LocalExecutors(const LocalExecutors&) = delete;
    LocalExecutors& operator=(const LocalExecutors&) = delete;

    unsigned cores() const override { return static_cast<unsigned>(threads_.size()); }
    const std::string& host() const override { return host_; }
    std::string name() const override { return "this process"; }
    void submit(const RunJob& job) override;
    void collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds wait) override;
    void stop() override;
    void progress(std::vector<RunProgress>& runs) const override;

private:
    void work(std::size_t index);
    // Runs the task; whatever it throws becomes the run's outcome.
    RunOutcome attempt(const RunJob& job, const StopRequest& stop, LiveProgress& live) const noexcept;
    // A job that comes back without having run.
    RunOutcome abandoned(const RunJob& job) const;

    Task task_;
    std::string host_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable outcomeReady_;
    std::deque<RunJob> jobs_;
    // Room for every outcome the group can owe is made at the start: a
    // thread that hands one back on short memory must not need more.
    std::vector<RunOutcome> outcomes_;
    bool stopping_ = false;
    bool closing_ = false;
    std::vector<std::unique_ptr<StopRequest>> stops_;
    std::vector<std::unique_ptr<LiveProgress>> live_;  // one per thread
    std::vector<std::thread> threads_;
};

}  // namespace zarudiv
