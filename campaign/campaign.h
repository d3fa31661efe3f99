#pragma once
// The campaign driver: one run of the (1+lambda) evolution strategy, from the
// seed to the last generation's plots and the protocol's report.

#include <cstdint>
#include <optional>
#include <string>

#include "campaign/campaign_display.h"
#include "campaign/campaign_settings.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

class ProtocolFile;

struct CampaignResult {
    std::uint32_t seed = 0;
    double bestQ = 0.0;
    long double bestStep = 0.0L;
    std::int64_t acceptedMutants = 0;
    TVector bestEvolved;
};

// Runs one campaign: seeds the generator (RandSeed := seed, or Randomize when
// no seed is given), then generations, rows and report as the save option says.
// Throws CommandError (FloatingPointFault, ProtocolIoError) when the campaign
// ends with an error.
CampaignResult RunEvolution(const CampaignSettings& settings, std::optional<std::uint32_t> seed,
                            Generator& gen, CampaignDisplay& display, ProtocolFile& protocol,
                            const EngineOptions& engine = {});

// The " EVOLUTION" command once the file name is taken: opens the protocol,
// runs the campaign and closes the protocol. On an error after opening, the
// file is closed with everything written so far (no closing line) and the
// error is rethrown, so the next command starts clean.
CampaignResult RunEvolutionCommand(const std::string& fileName, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine = {});

}  // namespace zarudiv
