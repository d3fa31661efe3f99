#pragma once
// The runner's command line: the window's scroll-bar positions and buttons as
// options, so a scripted campaign is the same campaign a user would run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "campaign/campaign_settings.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

struct RunnerOptions {
    int generations = 0;  // ScrollBar1 position; 0: never moved
    int mutants = 0;      // ScrollBar2 position; 0: never moved
    int stepPpm = 0;      // ScrollBar3 position; 0: never moved
    std::optional<std::uint32_t> seed;
    bool save = false;
    std::string protocol = kDefaultProtocolName;
    unsigned threads = 0;  // 0: all cores
    std::optional<std::string> plotsDir;
    std::optional<std::string> logFile;
    bool help = false;

    CampaignSettings settings() const;
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
