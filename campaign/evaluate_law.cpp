#include "campaign/evaluate_law.h"

#include "evolution/diffusion_model.h"
#include "evolution/fpu.h"
#include "evolution/random_source.h"

namespace zarudiv {

LawEvaluation EvaluateLaw(const Law& law)
{
    PrepareFpu();
    // The vectors' draws are overwritten before they are used; the values
    // do not depend on the generator.
    Generator scratch;
    LawEvaluation result;
    MakeVector(kCampaignSites, result.start, scratch);
    StartVector(result.start);
    MakeVector(kCampaignSites, result.target, scratch);
    TargetVector(result.target);
    result.developed = result.start;
    ClearFpuFaults();
    Checked(law.activator);
    Checked(law.inhibitor);
    for (int t = 0; t < kCampaignSites; ++t) {
        DiffusionStep(law.activator, law.inhibitor, result.developed, 1.0, 1.0);
        Checked(result.developed);
    }
    result.q = Checked(Quality(result.target, result.developed, scratch));
    return result;
}

}  // namespace zarudiv
