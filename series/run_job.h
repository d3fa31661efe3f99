#pragma once
// What an executor is handed (a run of the plan) and what it hands back.

#include <cstdint>
#include <string>
#include <vector>

#include "campaign/campaign_display.h"
#include "series/plan.h"

namespace zarudiv {

struct RunJob {
    std::int64_t runId = 0;  // the run's row in the database
    RunKey key;
    // Threads for the campaign's mutant engine: 1, unless the run started
    // while fewer runs were left to start than cores were free.
    unsigned engineThreads = 1;
};

enum class RunStatus : std::uint8_t {
    Done,
    Failed,     // the campaign ended with an error; error says which
    Abandoned,  // stopped while it ran: nothing of it is stored
    // Memory or threads ran out while it ran (error says which): nothing of
    // it is stored, and the series stops, as every run after it would fail
    // the same way.
    NoResources,
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
};

}  // namespace zarudiv
