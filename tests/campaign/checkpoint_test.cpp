// A campaign continued from its state at any generation boundary gives the
// unbroken campaign's bytes; a checkpoint file that cannot be continued is
// refused with its line named.

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "campaign/campaign.h"
#include "campaign/checkpoint_file.h"
#include "campaign/program_version.h"
#include "protocol/protocol_file.h"
#include "tests/support/recording_display.h"

namespace {

using zarudiv::Campaign;
using zarudiv::CampaignResult;
using zarudiv::CampaignState;
using zarudiv::StepKind;

// Keeps the state of every generation boundary, through the file's text.
class EveryState : public zarudiv::CheckpointSink {
public:
    bool due(int) override { return true; }
    void take(const CampaignState& state) override
    {
        states[state.generationsDone] = zarudiv::CheckpointText(state);
    }
    std::map<int, std::string> states;
};

struct Ran {
    CampaignResult result;
    std::string protocol;
    std::vector<std::string> events;  // what the display was shown
};

Ran RunCampaignInMemory(const Campaign& campaign, zarudiv::CampaignOptions options)
{
    zarudiv::ProtocolFile protocol;
    zarudiv::OpenProtocolInMemory(protocol, "p.doc");
    zarudiv::testing::RecordingDisplay display;
    Ran ran;
    ran.result = zarudiv::RunCampaign(campaign, {display, protocol}, options);
    ran.protocol = protocol.contents();
    ran.events = display.events;
    return ran;
}

// From a state on, the display sees the rows and the last pictures once more
// and then the generations that are left; its last events are the unbroken
// campaign's.
std::vector<std::string> Tail(const std::vector<std::string>& events, std::size_t count)
{
    return std::vector<std::string>(events.end() - static_cast<std::ptrdiff_t>(count), events.end());
}

TEST(CheckpointTest, AContinuedCampaignIsTheUnbrokenOne)
{
    for (StepKind kind : {StepKind::Literal, StepKind::Fast}) {
        const int G = kind == StepKind::Literal ? 14 : 24;
        const Campaign campaign{G, 6, 700, true, 20261209u};
        EveryState every;
        zarudiv::CampaignOptions options;
        options.engine = {2, kind};
        options.checkpoints = &every;
        const Ran unbroken = RunCampaignInMemory(campaign, options);
        // Generation 0 is the state of a campaign that ran no generation.
        Campaign none = campaign;
        none.generations = 0;
        every.states[0] = zarudiv::CheckpointText(RunCampaignInMemory(none, {}).result.state);
        ASSERT_EQ(every.states.size(), static_cast<std::size_t>(G + 1));
        // The end state, as the result gives it, is the last boundary's.
        EXPECT_EQ(zarudiv::CheckpointText(unbroken.result.state), every.states[G]);

        // The literal step is slow: one boundary is enough to show it agrees.
        const std::vector<int> boundaries =
            kind == StepKind::Literal ? std::vector<int>{13} : std::vector<int>{0, 1, 2, 13, G - 1, G};
        for (int at : boundaries) {
            const CampaignState state = zarudiv::ParseCheckpoint(every.states[at], "c.ckpt");
            zarudiv::CampaignOptions resume;
            resume.engine = {2, kind};
            resume.resume = &state;
            const Ran continued = RunCampaignInMemory(campaign, resume);
            EXPECT_EQ(continued.protocol, unbroken.protocol) << "from generation " << at;
            EXPECT_EQ(continued.result.bestQ, unbroken.result.bestQ);
            EXPECT_TRUE(continued.result.bestLaw == unbroken.result.bestLaw);
            EXPECT_TRUE(continued.result.generator == unbroken.result.generator);
            EXPECT_EQ(continued.result.generationsDone, G);
            // The last generation's texts and pictures are shown as the unbroken campaign shows them.
            const std::size_t lastGeneration = 15;
            if (at < G) {
                EXPECT_EQ(Tail(continued.events, lastGeneration), Tail(unbroken.events, lastGeneration));
            }
        }
    }
}

TEST(CheckpointTest, ALongerCampaignGoesOnFromTheEndOfAShorterOne)
{
    const Campaign shorter{10, 5, 300, true, 77u};
    const CampaignState end = RunCampaignInMemory(shorter, {}).result.state;
    Campaign longer = shorter;
    longer.generations = 31;
    zarudiv::CampaignOptions resume;
    resume.resume = &end;
    EXPECT_EQ(RunCampaignInMemory(longer, resume).protocol, RunCampaignInMemory(longer, {}).protocol);
}

TEST(CheckpointTest, AStateIsContinuedOnlyByItsOwnCampaign)
{
    const Campaign campaign{8, 4, 500, false, 5u};
    const CampaignState state = RunCampaignInMemory(campaign, {}).result.state;
    zarudiv::CampaignOptions resume;
    resume.resume = &state;
    Campaign fewer = campaign;
    fewer.generations = 7;
    Campaign otherSeed = campaign;
    otherSeed.seed = 6u;
    for (const Campaign& wrong : {fewer, otherSeed}) {
        zarudiv::ProtocolFile protocol;
        zarudiv::OpenProtocolInMemory(protocol, "p.doc");
        zarudiv::CampaignDisplay plain;
        EXPECT_THROW(zarudiv::RunCampaign(wrong, {plain, protocol}, resume), std::invalid_argument);
    }
}

TEST(CheckpointTest, BadCheckpointFilesAreRefusedNamingTheLine)
{
    const Campaign campaign{6, 3, 400, true, 9u};
    const std::string good = zarudiv::CheckpointText(RunCampaignInMemory(campaign, {}).result.state);
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char* name;
        std::string text;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"a law file", "zarudiv law 1\n", "c.ckpt:1: this is not a checkpoint file"},
        {"a newer format", replaced("checkpoint 1", "checkpoint 2"), "c.ckpt:1: a checkpoint file of format 2"},
        {"another program version",
         replaced(std::string("program zarudiv ") + zarudiv::ProgramVersion(), "program zarudiv 99.9"),
         std::string("c.ckpt:2: a checkpoint of zarudiv 99.9, which this program (zarudiv ") +
             zarudiv::ProgramVersion() + ") does not continue"},
        {"cut short", good.substr(0, good.find("\nrow 4 ") + 1), "c.ckpt:74: the file ends here"},
        {"edited", replaced("\naccepted ", "\naccepted 1"), "the checksum does not match"},
        {"a generation beyond the campaign", replaced("\ngeneration 6\n", "\ngeneration 7\n"),
         "c.ckpt:5: generation 7 is not one of the campaign's 0 to 6"},
    };
    for (const Case& c : cases) {
        try {
            zarudiv::ParseCheckpoint(c.text, "c.ckpt");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const zarudiv::CheckpointFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos)
                << c.name << ": " << error.what();
        }
    }
}

}  // namespace
