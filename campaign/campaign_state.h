#pragma once
// A campaign's state at a generation boundary: everything the rest of the
// campaign depends on, small and exact. A campaign continued from it gives
// the bytes of the unbroken campaign (checkpoints, a series that extends or
// shares prefixes of its runs).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "campaign/campaign_display.h"
#include "campaign/campaign_value.h"
#include "campaign/law.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

struct CampaignState {
    // The value the campaign ran with; a continuation may ask for more generations.
    Campaign campaign;
    // Where the parent started when it was not from zeros (StartLaw::origin).
    std::optional<std::string> startLawOrigin;
    long double startStep = 0.0L;  // scales every step-width change
    int generationsDone = 0;
    // After the draws of generation g (its pictures' included), before any of g + 1's.
    Generator generator;
    // The parent of the next generation: the best law so far, with its step width.
    Law parent;
    double bestQ = 10000000.0;
    TVector bestEvolved;
    std::int64_t acceptedMutants = 0;
    // Generation 1 to g, as the protocol rows and the quality curve show them.
    std::vector<GenerationRecord> rows;
};

// Hears of a campaign's generation boundaries and takes its state when it
// wants it (a checkpoint every minute, say).
class CheckpointSink {
public:
    virtual ~CheckpointSink() = default;
    // Asked after every generation's row and pictures: is a state wanted now?
    virtual bool due(int generation) = 0;
    virtual void take(const CampaignState& state) = 0;
};

}  // namespace zarudiv
