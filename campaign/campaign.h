#pragma once
// The campaign driver: one run of the (1+lambda) evolution strategy, from the
// seed to the last generation's plots and the protocol's report.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "campaign/campaign_display.h"
#include "campaign/campaign_settings.h"
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

struct CampaignResult {
    std::uint32_t seed = 0;
    // A stopped campaign ends after generationsDone generations, without the
    // report; the protocol keeps its rows and has no closing line.
    bool stopped = false;
    int generationsDone = 0;
    double bestQ = 0.0;
    long double bestStep = 0.0L;
    std::int64_t acceptedMutants = 0;
    TVector bestEvolved;
};

// Runs one campaign: seeds the generator (RandSeed := seed, or Randomize when
// no seed is given), then generations, rows and report as the save option says.
// Throws CommandError (FloatingPointFault, ProtocolIoError) when the campaign
// ends with an error. With a stop request set, it returns at the end of the
// generation that sees it, without the report.
CampaignResult RunEvolution(const CampaignSettings& settings, std::optional<std::uint32_t> seed,
                            Generator& gen, CampaignDisplay& display, ProtocolFile& protocol,
                            const EngineOptions& engine = {}, const StopRequest* stop = nullptr);

// The " EVOLUTION" command once the file name is taken: opens the protocol,
// runs the campaign and closes the protocol. On an error after opening, or
// after a stop, the file is closed with everything written so far (no closing
// line) and an error is rethrown, so the next command starts clean.
CampaignResult RunEvolutionCommand(const std::string& fileName, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine = {},
                                   const StopRequest* stop = nullptr);

// The same on a protocol the caller has opened (a file, or one kept in
// memory); the protocol is closed or abandoned as above.
CampaignResult RunEvolutionCommand(ProtocolFile& protocol, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine = {},
                                   const StopRequest* stop = nullptr);

}  // namespace zarudiv
