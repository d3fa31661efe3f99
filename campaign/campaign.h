#pragma once
// The campaign driver: one run of the (1+lambda) evolution strategy, from the
// seed to the last generation's plots and the protocol's report. A campaign
// is one value in (campaign_value.h) and one value out (CampaignResult).

#include <atomic>
#include <cstdint>
#include <optional>

#include "campaign/campaign_display.h"
#include "campaign/campaign_state.h"
#include "campaign/campaign_value.h"
#include "campaign/engine_options.h"
#include "campaign/law.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

class ProtocolFile;

// Asks a running campaign to stop. The driver reads it at the end of each
// generation, after the generation's row and pictures; any thread may set it.
class StopRequest {
public:
    void request() { requested_.store(true, std::memory_order_relaxed); }
    bool requested() const { return requested_.load(std::memory_order_relaxed); }
    void clear() { requested_.store(false, std::memory_order_relaxed); }

private:
    std::atomic<bool> requested_{false};
};

// Where a campaign's parent starts when it does not start from zeros: a law
// taken from an earlier campaign. This goes beyond the window's campaign.
struct StartLaw {
    Law law;
    // The law's step width becomes the start step width (the value's
    // position is then not used); otherwise the value's step width is both
    // the parent's and the start step width.
    bool lawStep = true;
    // Where the law came from, as the law file of the campaign's best law
    // tells it ("13e9f4c9 law-step best.law": that file's checksum, which
    // step width started the campaign, the file's name).
    std::string origin;
};

// What a campaign writes to and shows on. The protocol is open (a file, or
// one kept in memory) and is closed when the campaign is done, cut (no
// closing line) when it was stopped, abandoned when it ended with an error.
struct CampaignSinks {
    CampaignDisplay& display;
    ProtocolFile& protocol;
};

// How a campaign runs. Only startLaw changes what it computes.
struct CampaignOptions {
    EngineOptions engine;
    const StopRequest* stop = nullptr;
    const StartLaw* startLaw = nullptr;
    // Continues the campaign from this state: the campaign's value must be
    // the state's but for more (or as many) generations. The protocol, the
    // display's rows and pictures and the result are those of the unbroken
    // campaign with the value's generations.
    const CampaignState* resume = nullptr;
    // Offered the campaign's state at generation boundaries.
    CheckpointSink* checkpoints = nullptr;
};

struct CampaignResult {
    Campaign campaign;
    // A stopped campaign ends after generationsDone generations, without the
    // report; the protocol keeps its rows and has no closing line.
    bool stopped = false;
    int generationsDone = 0;
    double bestQ = 10000000.0;
    // The best mutant's law and step width: the parent the next generation
    // would start from. Until a mutant is accepted, the parent's start.
    Law bestLaw;
    TVector bestEvolved;  // until a mutant is accepted, the start vector
    std::int64_t acceptedMutants = 0;
    // The generator as the campaign leaves it (the window keeps it).
    Generator generator;
    std::optional<std::string> startLawOrigin;
    // The state at the last generation boundary the campaign reached: what a
    // longer campaign of the same value goes on from.
    CampaignState state;
};

// Runs the campaign: seeds its own generator (RandSeed := the value's seed),
// runs the generations with their rows and pictures, writes the report as
// the save option says, and closes the protocol. Throws CommandError
// (FloatingPointFault, ProtocolIoError) when the campaign ends with an
// error, after abandoning the protocol with everything written so far. With
// a stop request set, it returns at the end of the generation that sees it,
// without the report.
CampaignResult RunCampaign(const Campaign& campaign, const CampaignSinks& sinks,
                           const CampaignOptions& options = {});

}  // namespace zarudiv
