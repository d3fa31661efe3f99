#pragma once
// Another process of an MPI job, seen from rank 0: it takes as many runs at
// once as it has threads, and sends each back when it is done.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "series/executor_group.h"
#include "series/run_message.h"

namespace zarudiv {

class RemoteExecutor : public ExecutorGroup {
public:
    RemoteExecutor(int rank, WorkerHello hello);

    unsigned cores() const override { return hello_.threads; }
    // The process hears of a run when it next looks for messages.
    unsigned spares() const override { return 1; }
    const std::string& host() const override { return hello_.host; }
    std::string name() const override;
    void submit(const RunJob& job) override;
    // Never waits: the messages that have arrived are taken, in the order
    // the process sent them. Throws MessageError for a message that does not
    // decode or that the process had no reason to send.
    void collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds wait) override;
    void stop() override;
    int stopSignal() const override { return stopSignal_; }

    int rank() const { return rank_; }
    // The traffic so far, for the series' account of its cost: runs the
    // process ran to the end (done or failed), not those it abandoned.
    std::uint64_t runsReturned() const { return runsReturned_; }
    std::uint64_t bytesSent() const { return bytesSent_; }
    std::uint64_t bytesReceived() const { return bytesReceived_; }
    // Outcome messages, each of one run or of several.
    std::uint64_t messagesReceived() const { return messagesReceived_; }

    void progress(std::vector<RunProgress>& runs) const override;

private:
    int rank_;
    std::vector<RunProgress> progress_;  // as the process last said
    WorkerHello hello_;
    bool stopped_ = false;
    int stopSignal_ = 0;
    std::uint64_t runsReturned_ = 0;
    std::uint64_t bytesSent_ = 0;
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t messagesReceived_ = 0;
};

// Waits for every other process's hello. Returns nothing when stopSignal
// turns non-zero first.
std::vector<std::unique_ptr<RemoteExecutor>> GatherWorkers(int size,
                                                           const std::function<int()>& stopSignal);

// Tells every other process that there are no more runs, and waits up to
// `limit` until each has said goodbye, so that no message is left unreceived.
void FinishWorkers(int size, std::chrono::milliseconds limit);

}  // namespace zarudiv
