#include "series/mpi_worker.h"

#include <chrono>

#include "series/local_executors.h"
#include "series/mpi_session.h"
#include "series/run_message.h"

namespace zarudiv {

namespace {

// Outcomes of this process's threads wake it at once; messages from rank 0
// are looked for this often. Rank 0 hands each process a spare run, so a
// thread that finishes finds its next one waiting.
constexpr std::chrono::milliseconds kPoll{10};
// After a signal, rank 0 (which the launcher signals too) says stop and
// finish at once; when it does not, it is gone.
constexpr std::chrono::seconds kOrphanLimit{10};

}  // namespace

int RunSeriesWorker(unsigned threads, const RunCampaignOptions& options,
                    const std::function<int()>& stopSignal)
{
    LocalExecutors local(
        threads,
        [options](const RunJob& job, const StopRequest& stop) { return RunCampaign(job, options, stop); },
        options.host);
    SendMessage(0, kTagHello, EncodeHello(WorkerHello{local.cores(), options.host}));

    std::uint64_t inFlight = 0;
    bool stopping = false;
    bool finished = false;
    int signal = 0;
    std::chrono::steady_clock::time_point signalled;
    std::vector<RunOutcome> outcomes;
    for (;;) {
        if (signal == 0 && (signal = stopSignal()) != 0) {
            signalled = std::chrono::steady_clock::now();
            stopping = true;
            local.stop();
        }
        outcomes.clear();
        local.collect(outcomes, kPoll);
        for (const RunOutcome& outcome : outcomes) {
            SendMessage(0, kTagOutcome, EncodeOutcome(outcome));
            --inFlight;
        }
        while (std::optional<Message> message = ReceiveIfAny(0, -1)) {
            if (message->tag == kTagJob) {
                local.submit(DecodeJob(message->bytes));
                ++inFlight;
            } else if (message->tag == kTagStop && !stopping) {
                stopping = true;
                local.stop();
            } else if (message->tag == kTagFinish) {
                // Rank 0 finishes with runs in flight only when it gave up
                // waiting for them.
                finished = true;
                if (inFlight > 0 && !stopping) {
                    stopping = true;
                    local.stop();
                }
            }
        }
        if (finished && inFlight == 0) {
            SendMessage(0, kTagBye, {});
            break;
        }
        if (signal != 0 && std::chrono::steady_clock::now() - signalled > kOrphanLimit)
            break;
    }
    return signal != 0 ? 128 + signal : 0;
}

}  // namespace zarudiv
