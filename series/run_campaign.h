#pragma once
// One run of a series: exactly the runner's campaign with --save, its
// protocol kept in memory, its generations recorded.

#include <optional>
#include <string>

#include "campaign/campaign.h"
#include "series/run_job.h"

namespace zarudiv {

struct RunCampaignOptions {
    // The protocol's first line names DIR/<ProtocolFileName>, as the file the
    // series keeps it in; without a directory it names the bare file name.
    std::optional<std::string> protocolsDir;
    // Hand the protocol's bytes back in the outcome (to keep it as a file).
    bool keepProtocol = false;
    std::string host;
};

// The campaign a run of the plan is: the runner's with --save.
Campaign CampaignOf(const RunKey& key);

// Never throws for a campaign's own errors: they come back as a failed run.
// live, when given, hears of each generation the run's campaign has done.
RunOutcome RunSeriesJob(const RunJob& job, const RunCampaignOptions& options,
                        const StopRequest& stop, LiveProgress* live = nullptr);

// The name the protocol's first line gives, with or without a directory.
std::string ProtocolPath(const std::optional<std::string>& dir, const RunKey& key);

// SHA-256 (lowercase hex) of the protocol from its second line on: the first
// line names the file, which depends on where it was written.
std::string ProtocolSha256(const std::string& protocol);

}  // namespace zarudiv
