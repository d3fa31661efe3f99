#pragma once
// The campaign driver: one run of the (1+lambda) evolution strategy.

#include <cstdint>
#include <optional>
#include <string>

#include "campaign_display.h"
#include "random_source.h"
#include "tvector.h"

namespace zarudiv {

class ProtocolFile;

// The experiment parameters as the window holds them.
struct CampaignSettings {
    std::int32_t maxGenerationen = 0;
    std::int32_t maxMutanten = 0;
    long double StartSchrittweite = 0.0L;
    bool saveOption = false;
};

enum class StepKind { Fast, Literal };

// How mutants are evaluated; no choice here changes a single result.
struct EngineOptions {
    unsigned threads = 0;  // 0: all cores; 1: the calling thread only
    StepKind step = StepKind::Fast;
};

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

// The " EVOLUTION" command once the file name is taken: creates the drive
// directory of a name like "C:/x" when missing, opens the protocol, runs the
// campaign and closes the protocol. On an error after opening, the file is
// closed with everything written so far (no closing line) and the error is
// rethrown, so the next command starts clean.
CampaignResult RunEvolutionCommand(const std::string& fileName, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine = {});

// A name that starts with a drive letter ("C:/...") names a file in a directory
// called "C:" below the working directory; that directory is made when missing.
void EnsureDriveDirectory(const std::string& fileName);

// Default protocol name: the first entry of the window's file-name list.
inline const char* const kDefaultProtocolName = "C:/QX_000_000.doc";

}  // namespace zarudiv
