#pragma once
// What an executor is handed (a run of the plan) and what it hands back.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "campaign/campaign_display.h"
#include "campaign/campaign_state.h"
#include "series/plan.h"

namespace zarudiv {

// A run of the plan that differs from the job's run only in fewer
// generations: the campaign is the same up to its last generation, so it is
// taken from the job's trajectory there, with its own header, rows and report.
struct ShorterRun {
    std::int64_t runId = 0;
    std::int32_t generations = 0;

    friend bool operator==(const ShorterRun&, const ShorterRun&) = default;
};

struct RunJob {
    std::int64_t runId = 0;  // the run's row in the database
    RunKey key;
    // Threads for the campaign's mutant engine: 1, unless the run started
    // while fewer runs were left to start than cores were free.
    unsigned engineThreads = 1;
    // The plan's shorter runs of the same campaign, fewest generations first.
    std::vector<ShorterRun> shorter;
    // A kept state of the same campaign (a stopped run's, or a done run's
    // end) with its rows, at a generation no later than any of shorter's:
    // the campaign goes on from there.
    std::optional<CampaignState> resume;
};

// Where a run in flight has got to.
struct RunProgress {
    std::int64_t runId = 0;
    int generation = 0;  // the last generation done
    double bestQ = 0.0;
};

// A run's progress as its thread publishes it and the coordinator reads it,
// neither waiting for the other. A reader may see a generation with the
// best Q of the next one: both only ever advance.
class LiveProgress {
public:
    void begin(std::int64_t runId)
    {
        generation_.store(0, std::memory_order_relaxed);
        runId_.store(runId, std::memory_order_release);
    }
    void publish(int generation, double bestQ)
    {
        bestQ_.store(bestQ, std::memory_order_relaxed);
        generation_.store(generation, std::memory_order_release);
    }
    void end() { runId_.store(0, std::memory_order_release); }
    // False while no run is in flight, or it has no generation done yet.
    bool read(RunProgress& progress) const
    {
        progress.runId = runId_.load(std::memory_order_acquire);
        progress.generation = generation_.load(std::memory_order_acquire);
        progress.bestQ = bestQ_.load(std::memory_order_relaxed);
        return progress.runId != 0 && progress.generation > 0;
    }

private:
    std::atomic<std::int64_t> runId_{0};
    std::atomic<int> generation_{0};
    std::atomic<double> bestQ_{0.0};
};

enum class RunStatus : std::uint8_t {
    Done,
    Failed,     // the campaign ended with an error; error says which
    Abandoned,  // stopped while it ran: nothing of it is stored
    // Memory or threads ran out while it ran (error says which): nothing of
    // it is stored, and the series stops, as every run after it would fail
    // the same way.
    NoResources,
    // Stopped at a generation boundary: its state is kept, and the run goes
    // on from there when the series is started again.
    Stopped,
};

// One generation as the database keeps it.
struct GenerationRow {
    double bestQ = 0.0;
    double stepWidth = 0.0;
    std::int32_t accepted = 0;

    friend bool operator==(const GenerationRow&, const GenerationRow&) = default;
};

struct RunOutcome {
    std::int64_t runId = 0;
    RunKey key;
    RunStatus status = RunStatus::Abandoned;
    std::string error;
    double bestQ = 0.0;
    // The first generation whose best Q is the run's final best Q.
    std::int32_t bestGeneration = 0;
    std::int64_t evaluations = 0;
    double seconds = 0.0;
    std::string protocolSha256;  // hex, of the protocol from its second line on
    std::vector<GenerationRow> generations;  // generation g is generations[g - 1]
    std::string protocol;                    // the whole protocol, when it is kept
    std::string host;                        // the machine that ran it
    std::string bestLaw;  // the best law as a law file's text (campaign/law_file.h)
    double bestStep = 0.0;  // its step width, as the protocol rows store it
    // The campaign's state as a checkpoint's text: a done run's at its end
    // without rows (the generations table keeps them), a stopped run's with
    // its rows. Empty for every other outcome.
    std::string state;
    std::int32_t stoppedAt = 0;        // the generation a stopped run's state is of
    std::int32_t generationsRun = 0;   // computed by this job, not taken from a state
    // The job's shorter runs that came to their end (done or failed).
    std::vector<RunOutcome> shorter;
};

}  // namespace zarudiv
