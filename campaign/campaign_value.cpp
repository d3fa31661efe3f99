#include "campaign/campaign_value.h"

namespace zarudiv {

std::string RunnerArguments(const Campaign& campaign)
{
    return "--generations " + std::to_string(campaign.generations) + " --mutants " +
           std::to_string(campaign.mutants) + " --step " + std::to_string(campaign.stepPpm) +
           " --seed " + std::to_string(campaign.seed) + (campaign.save ? " --save" : "");
}

}  // namespace zarudiv
