#include "campaign_display.h"

namespace zarudiv {

void ConsumeDiffusionLawDraws(const TVector& coefficients, Generator& gen)
{
    // The plot makes two working vectors of length n with the usual idiom.
    const int n = VectorCount(coefficients);
    TVector scratch;
    MakeVector(n, scratch, gen);
    MakeVector(n, scratch, gen);
}

void CampaignDisplay::plotDiffusionLaw(PlotArea /*area*/, const TVector& coefficients,
                                       Generator& gen)
{
    ConsumeDiffusionLawDraws(coefficients, gen);
}

}  // namespace zarudiv
