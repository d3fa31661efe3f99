#include "series/remote_executor.h"

#include <thread>

#include "series/mpi_session.h"

namespace zarudiv {

namespace {

constexpr std::chrono::milliseconds kPoll{1};

}  // namespace

RemoteExecutor::RemoteExecutor(int rank, WorkerHello hello) : rank_(rank), hello_(std::move(hello))
{
}

std::string RemoteExecutor::name() const
{
    return "rank " + std::to_string(rank_) + " on " + hello_.host;
}

void RemoteExecutor::submit(const RunJob& job)
{
    const std::string bytes = EncodeJob(job);
    SendMessage(rank_, kTagJob, bytes);
    bytesSent_ += bytes.size();
}

void RemoteExecutor::collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds)
{
    // Any tag, so that a stop the process announces is seen before the
    // runs it then abandons: one sender's messages arrive in order.
    while (std::optional<Message> message = ReceiveIfAny(rank_, -1)) {
        if (message->tag == kTagStopping) {
            const int signal = DecodeStopSignal(message->bytes);
            if (stopSignal_ == 0)
                stopSignal_ = signal;
            continue;
        }
        if (message->tag == kTagProgress) {
            progress_ = DecodeProgress(message->bytes);
            continue;
        }
        if (message->tag != kTagOutcome && message->tag != kTagOutcomes)
            throw MessageError(name() + " sent a message with tag " +
                               std::to_string(message->tag) + " while runs were handed out");
        bytesReceived_ += message->bytes.size();
        ++messagesReceived_;
        std::vector<RunOutcome> arrived;
        if (message->tag == kTagOutcome)
            arrived.push_back(DecodeOutcome(message->bytes));
        else
            arrived = DecodeOutcomes(message->bytes);
        for (RunOutcome& outcome : arrived) {
            outcome.host = hello_.host;
            for (RunOutcome& shorter : outcome.shorter)
                shorter.host = hello_.host;
            if (outcome.status != RunStatus::Abandoned)
                runsReturned_ += 1 + outcome.shorter.size();
            outcomes.push_back(std::move(outcome));
        }
    }
}

void RemoteExecutor::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    SendMessage(rank_, kTagStop, {});
}

void RemoteExecutor::progress(std::vector<RunProgress>& runs) const
{
    runs.insert(runs.end(), progress_.begin(), progress_.end());
}

std::vector<std::unique_ptr<RemoteExecutor>> GatherWorkers(int size,
                                                           const std::function<int()>& stopSignal)
{
    std::vector<std::unique_ptr<RemoteExecutor>> workers(static_cast<std::size_t>(size));
    int missing = size - 1;
    while (missing > 0) {
        if (stopSignal() != 0)
            return {};
        std::optional<Message> message = ReceiveIfAny(-1, kTagHello);
        if (!message) {
            std::this_thread::sleep_for(kPoll);
            continue;
        }
        auto& slot = workers[static_cast<std::size_t>(message->source)];
        if (!slot) {
            slot = std::make_unique<RemoteExecutor>(message->source, DecodeHello(message->bytes));
            --missing;
        }
    }
    workers.erase(workers.begin());  // rank 0 is this process
    return workers;
}

void FinishWorkers(int size, std::chrono::milliseconds limit)
{
    for (int rank = 1; rank < size; ++rank)
        SendMessage(rank, kTagFinish, {});
    std::vector<bool> gone(static_cast<std::size_t>(size), false);
    int left = size - 1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (left > 0 && std::chrono::steady_clock::now() < deadline) {
        // Hellos of processes that were never used, outcomes of runs already
        // given up, and the goodbyes.
        std::optional<Message> message = ReceiveIfAny(-1, -1);
        if (!message) {
            std::this_thread::sleep_for(kPoll);
            continue;
        }
        if (message->tag == kTagBye && !gone[static_cast<std::size_t>(message->source)]) {
            gone[static_cast<std::size_t>(message->source)] = true;
            --left;
        }
    }
}

}  // namespace zarudiv
