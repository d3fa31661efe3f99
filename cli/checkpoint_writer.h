#pragma once
// The runner's --checkpoint: the campaign's state written to a file at most
// every so many seconds while it runs; the caller writes the last one at a
// stop and at the end.

#include <chrono>
#include <string>

#include "campaign/campaign_state.h"

namespace zarudiv {

class CheckpointWriter : public CheckpointSink {
public:
    CheckpointWriter(std::string path, std::chrono::seconds every);

    bool due(int generation) override;
    void take(const CampaignState& state) override;

    // Writes the state now; returns what went wrong, or "". A failure while
    // the campaign ran is kept and returned here too: the campaign goes on,
    // and the run ends as failed with the checkpoint's message.
    std::string finish(const CampaignState& state);

private:
    std::string path_;
    std::chrono::seconds every_;
    std::chrono::steady_clock::time_point last_;
    std::string error_;
};

}  // namespace zarudiv
