#include "series/mpi_worker.h"

#include <chrono>
#include <utility>

#include "series/local_executors.h"
#include "series/mpi_session.h"
#include "series/run_message.h"

namespace zarudiv {

namespace {

// Outcomes of this process's threads wake it at once; messages from rank 0
// are looked for this often. Rank 0 hands each process a spare run, so a
// thread that finishes finds its next one waiting.
constexpr std::chrono::milliseconds kPoll{10};

}  // namespace

int RunSeriesWorker(unsigned threads, const RunCampaignOptions& options,
                    const std::function<int()>& stopSignal)
{
    return RunSeriesWorkerWith(
        threads,
        [options](const RunJob& job, const StopRequest& stop, LiveProgress& live) {
            return RunSeriesJob(job, options, stop, &live);
        },
        options.host, stopSignal);
}

int RunSeriesWorkerWith(unsigned threads, LocalExecutors::Task task, const std::string& host,
                        const std::function<int()>& stopSignal)
{
    LocalExecutors local(threads, std::move(task), host);
    SendMessage(0, kTagHello, EncodeHello(WorkerHello{local.cores(), host}));

    // Runs handed to this process and not yet sent back: the process ends
    // only when rank 0 says so and none is left, so that rank 0 never waits
    // for a run that nobody runs.
    std::uint64_t inFlight = 0;
    bool stopping = false;
    bool finished = false;
    int signal = 0;
    std::vector<RunOutcome> outcomes;
    // Where the runs in flight have got to goes to rank 0 this often.
    constexpr std::chrono::milliseconds kProgressEvery{2000};
    auto lastProgress = std::chrono::steady_clock::now();
    std::vector<RunProgress> progress;
    for (;;) {
        if (signal == 0 && (signal = stopSignal()) != 0) {
            // A signal meant for the job may reach this process alone (kill,
            // a batch system): the whole series stops, as on Ctrl-C. Rank 0
            // hears of it before the runs abandoned here come back, stops
            // handing out runs and tells the others. This process then
            // waits for rank 0's finish like any other: leaving before it
            // would block in MPI_Finalize, with rank 0 waiting for its runs.
            SendMessage(0, kTagStopping, EncodeStopSignal(signal));
            if (!stopping) {
                stopping = true;
                local.stop();
            }
        }
        outcomes.clear();
        local.collect(outcomes, kPoll);
        // What finished together goes in one message: with short runs rank
        // 0 takes one message for many.
        if (outcomes.size() == 1)
            SendMessage(0, kTagOutcome, EncodeOutcome(outcomes.front()));
        else if (outcomes.size() > 1)
            SendMessage(0, kTagOutcomes, EncodeOutcomes(outcomes));
        inFlight -= outcomes.size();
        if (const auto now = std::chrono::steady_clock::now();
            now - lastProgress >= kProgressEvery && !stopping && inFlight > 0) {
            lastProgress = now;
            progress.clear();
            local.progress(progress);
            if (!progress.empty())
                SendMessage(0, kTagProgress, EncodeProgress(progress));
        }
        while (std::optional<Message> message = ReceiveIfAny(0, -1)) {
            if (message->tag == kTagJob) {
                // After a stop it comes back at once, abandoned.
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
    }
    return signal != 0 ? 128 + signal : 0;
}

}  // namespace zarudiv
