#pragma once
// The runner's command line: the window's scroll-bar positions and buttons as
// options, so a scripted campaign is the same campaign a user would run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "campaign/campaign_value.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

struct RunnerOptions {
    int generations = 0;  // ScrollBar1 position; 0: never moved
    int mutants = 0;      // ScrollBar2 position; 0: never moved
    int stepPpm = 0;      // ScrollBar3 position; 0: never moved
    std::optional<std::uint32_t> seed;
    bool save = false;
    std::string protocol = kDefaultProtocolName;
    bool protocolGiven = false;
    unsigned threads = 0;  // 0: all cores
    std::optional<std::string> plotsDir;
    std::optional<std::string> logFile;
    // The campaign's best law, written at its end (also after a stop).
    std::optional<std::string> lawOut;
    // Beyond the window's campaign: the parent starts from this law (and its
    // step width, unless --step is given).
    std::optional<std::string> startLaw;
    bool stepGiven = false;
    // Not a campaign: the law in this file is evaluated.
    std::optional<std::string> evaluate;
    // The campaign's state is written to this file at most every
    // checkpointEvery seconds, at a stop and at the end.
    std::optional<std::string> checkpoint;
    unsigned checkpointEvery = 60;
    // The campaign goes on from this checkpoint (to --generations, when given).
    std::optional<std::string> continueFrom;
    bool generationsGiven = false;
    bool help = false;

    // The campaign the options name, with the seed given or chosen.
    Campaign campaign(std::uint32_t seedUsed) const;
};

enum RunnerExit { kExitDone = 0, kExitFailed = 1, kExitBadOptions = 2 };

struct ParseResult {
    RunnerOptions options;
    std::string error;  // empty when the command line is good
    std::vector<std::string> warnings;  // options given more than once
};

ParseResult ParseRunnerOptions(const std::vector<std::string>& args);

std::string RunnerUsage();

}  // namespace zarudiv
