// A campaign's law taken out and put back in: it evaluates to the campaign's
// own Q and developed vector, bit for bit, and a campaign can start from it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "campaign/campaign.h"
#include "campaign/evaluate_law.h"
#include "campaign/law_file.h"
#include "protocol/number_format.h"
#include "protocol/protocol_file.h"

namespace {

using zarudiv::Campaign;
using zarudiv::CampaignResult;

bool SameBits(const zarudiv::TVector& a, const zarudiv::TVector& b)
{
    for (int i = 0; i <= 20; ++i)
        if (std::memcmp(&a[i], &b[i], 10) != 0)
            return false;
    return true;
}

struct Ran {
    CampaignResult result;
    std::string protocol;
};

Ran RunInMemory(const Campaign& campaign, const zarudiv::StartLaw* startLaw = nullptr)
{
    zarudiv::ProtocolFile protocol;
    zarudiv::OpenProtocolInMemory(protocol, "p.doc");
    zarudiv::CampaignDisplay plain;
    zarudiv::CampaignOptions options;
    options.startLaw = startLaw;
    Ran ran;
    ran.result = zarudiv::RunCampaign(campaign, {plain, protocol}, options);
    ran.protocol = protocol.contents();
    return ran;
}

TEST(LawCampaignTest, TheBestLawEvaluatesToTheCampaignsQBitForBit)
{
    for (const Campaign& campaign : {Campaign{60, 10, 500, true, 42u}, Campaign{25, 30, 1000, false, 7u},
                                     Campaign{120, 3, 20, true, 4294967295u}}) {
        const CampaignResult result = RunInMemory(campaign).result;
        // Through the file, as a user takes it out and puts it back.
        const zarudiv::LawRecord back =
            zarudiv::ParseLawFile(zarudiv::LawFileText(zarudiv::LawRecordOf(result)), "best.law");
        const zarudiv::LawEvaluation evaluation = zarudiv::EvaluateLaw(back.law);
        EXPECT_EQ(std::memcmp(&evaluation.q, &result.bestQ, sizeof(double)), 0)
            << zarudiv::RunnerArguments(campaign);
        EXPECT_TRUE(SameBits(evaluation.developed, result.bestEvolved));
        EXPECT_EQ(back.q, result.bestQ);
        EXPECT_EQ(back.generation, campaign.generations);
        EXPECT_EQ(back.campaign, campaign);
    }
}

TEST(LawCampaignTest, ACampaignFromALawIsAFunctionOfTheLawAndTheSeed)
{
    const zarudiv::Law law = RunInMemory(Campaign{40, 10, 800, true, 1u}).result.bestLaw;
    const zarudiv::StartLaw from{law, true, "law"};
    const Campaign campaign{30, 8, 0, true, 99u};
    const Ran first = RunInMemory(campaign, &from);
    EXPECT_EQ(RunInMemory(campaign, &from).protocol, first.protocol);
    Campaign other = campaign;
    other.seed = 100u;
    EXPECT_NE(RunInMemory(other, &from).protocol, first.protocol);
    // Better than a start from zeros: the parent begins where the law was.
    EXPECT_NE(RunInMemory(campaign).protocol, first.protocol);
    // The start step width is the law's, as the header shows.
    EXPECT_NE(first.protocol.find("Start-Schrittweite:" +
                                  zarudiv::FormatReal(static_cast<double>(law.step), 5, 10)),
              std::string::npos);

    // With the value's own step width, the header shows that one instead.
    const zarudiv::StartLaw ownStep{law, false, "law"};
    Campaign stepped = campaign;
    stepped.stepPpm = 100;
    const std::string protocol = RunInMemory(stepped, &ownStep).protocol;
    EXPECT_NE(protocol.find("Start-Schrittweite:0.0000001000"), std::string::npos);
    EXPECT_NE(protocol, first.protocol);
}

}  // namespace
