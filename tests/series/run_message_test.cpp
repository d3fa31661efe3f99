// The bytes between the processes of a series under MPI.

#include <gtest/gtest.h>

#include <bit>

#include <cfloat>
#include <cmath>

#include "campaign/checkpoint_file.h"
#include "series/run_message.h"

namespace {

using zarudiv::RunOutcome;

RunOutcome Outcome()
{
    RunOutcome outcome;
    outcome.runId = (std::int64_t{1} << 40) + 3;
    outcome.key = {{10000, 100, 1000}, 4294967295u};
    outcome.status = zarudiv::RunStatus::Done;
    outcome.bestQ = 158.75712080613445;
    outcome.bestGeneration = 9999;
    outcome.evaluations = 1000000;
    outcome.seconds = 0.015;
    outcome.protocolSha256 = std::string(64, 'e');
    outcome.generations = {{283.9, 4.7e-7, 2}, {DBL_TRUE_MIN, -0.0, 0}, {DBL_MAX, 1e-300, 100}};
    outcome.protocol = std::string("##### QX++ Document\r\nQualit\xe4t\0end", 30);
    outcome.host = "not sent";
    return outcome;
}

TEST(RunMessageTest, AnOutcomeArrivesBitForBitWithoutItsHost)
{
    const RunOutcome sent = Outcome();
    const RunOutcome got = zarudiv::DecodeOutcome(zarudiv::EncodeOutcome(sent));
    EXPECT_EQ(got.runId, sent.runId);
    EXPECT_EQ(got.key, sent.key);
    EXPECT_EQ(got.status, sent.status);
    EXPECT_EQ(got.bestQ, sent.bestQ);
    EXPECT_EQ(got.bestGeneration, sent.bestGeneration);
    EXPECT_EQ(got.evaluations, sent.evaluations);
    EXPECT_EQ(got.seconds, sent.seconds);
    EXPECT_EQ(got.protocolSha256, sent.protocolSha256);
    ASSERT_EQ(got.generations, sent.generations);
    EXPECT_TRUE(std::signbit(got.generations[1].stepWidth));
    EXPECT_EQ(got.protocol, sent.protocol);
    EXPECT_EQ(got.host, "");

    RunOutcome failed;
    failed.runId = 7;
    failed.status = zarudiv::RunStatus::Failed;
    failed.error = "Gleitkommaüberlauf";
    const RunOutcome back = zarudiv::DecodeOutcome(zarudiv::EncodeOutcome(failed));
    EXPECT_EQ(back.status, zarudiv::RunStatus::Failed);
    EXPECT_EQ(back.error, failed.error);
    EXPECT_TRUE(back.generations.empty());
}

TEST(RunMessageTest, JobsAndHellosRoundTrip)
{
    zarudiv::RunJob job;
    job.runId = 123456789012;
    job.key = {{1, 1, 1}, 0};
    job.engineThreads = 4;
    const zarudiv::RunJob back = zarudiv::DecodeJob(zarudiv::EncodeJob(job));
    EXPECT_EQ(back.runId, job.runId);
    EXPECT_EQ(back.key, job.key);
    EXPECT_EQ(back.engineThreads, 4u);
    // The id, the key, the threads, no shorter runs and no state.
    EXPECT_EQ(zarudiv::EncodeJob(job).size(), 40u);

    const zarudiv::WorkerHello hello = zarudiv::DecodeHello(zarudiv::EncodeHello({16, "node-07"}));
    EXPECT_EQ(hello.threads, 16u);
    EXPECT_EQ(hello.host, "node-07");

    EXPECT_EQ(zarudiv::DecodeStopSignal(zarudiv::EncodeStopSignal(15)), 15);
}

TEST(RunMessageTest, ShorterRunsAndKeptStatesTravelWithJobsAndOutcomes)
{
    zarudiv::RunJob job;
    job.runId = 9;
    job.key = {{1000, 36, 99}, 17};
    job.shorter = {{3, 250}, {6, 500}};
    zarudiv::CampaignState state;
    state.campaign = {1000, 36, 99, true, 17};
    state.startStep = 9.9e-8L;
    state.generationsDone = 2;
    state.generator.RandSeed = 123456;
    state.generator.draws = 98765;
    state.parent = zarudiv::ZeroLaw(state.startStep, zarudiv::kCampaignSites);
    state.parent.activator[3] = 0.1L;
    state.bestEvolved = zarudiv::ZeroVector(zarudiv::kCampaignSites);
    state.bestQ = 8126.25;
    state.rows = {{1, 36, 9000.5, 1e-7, 3}, {2, 72, 8126.25, 9.9e-8, 1}};
    job.resume = state;
    const zarudiv::RunJob back = zarudiv::DecodeJob(zarudiv::EncodeJob(job));
    EXPECT_EQ(back.shorter, job.shorter);
    ASSERT_TRUE(back.resume.has_value());
    EXPECT_EQ(zarudiv::CheckpointText(*back.resume), zarudiv::CheckpointText(state));

    RunOutcome stopped;
    stopped.runId = 9;
    stopped.status = zarudiv::RunStatus::Stopped;
    stopped.state = zarudiv::CheckpointText(state);
    stopped.stoppedAt = 2;
    stopped.generationsRun = 2;
    stopped.shorter = {Outcome(), Outcome()};
    stopped.shorter[1].status = zarudiv::RunStatus::Failed;
    const RunOutcome got = zarudiv::DecodeOutcome(zarudiv::EncodeOutcome(stopped));
    EXPECT_EQ(got.status, zarudiv::RunStatus::Stopped);
    EXPECT_EQ(got.state, stopped.state);
    EXPECT_EQ(got.stoppedAt, 2);
    EXPECT_EQ(got.generationsRun, 2);
    ASSERT_EQ(got.shorter.size(), 2u);
    EXPECT_EQ(got.shorter[0].generations, Outcome().generations);
    EXPECT_EQ(got.shorter[1].status, zarudiv::RunStatus::Failed);

    // A state damaged on the way is refused as any other damaged message.
    std::string bytes = zarudiv::EncodeJob(job);
    bytes[bytes.find("best-q 8126") + 8] = '9';
    EXPECT_THROW(zarudiv::DecodeJob(bytes), zarudiv::MessageError);
}

TEST(RunMessageTest, DamagedMessagesAreRefused)
{
    const std::string bytes = zarudiv::EncodeOutcome(Outcome());
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_THROW(zarudiv::DecodeOutcome(bytes.substr(0, cut)), zarudiv::MessageError) << cut;
    EXPECT_THROW(zarudiv::DecodeOutcome(bytes + "x"), zarudiv::MessageError);
    std::string badStatus = bytes;
    badStatus[8 + 16] = 9;  // after the run id and the key
    EXPECT_THROW(zarudiv::DecodeOutcome(badStatus), zarudiv::MessageError);
    EXPECT_THROW(zarudiv::DecodeJob("short"), zarudiv::MessageError);
    for (int signal : {0, -2, 128})
        EXPECT_THROW(zarudiv::DecodeStopSignal(zarudiv::EncodeStopSignal(signal)),
                     zarudiv::MessageError)
            << signal;
}

// Several outcomes in one message come back as each alone would, in order;
// a batch cut short or with a count beyond its bytes is refused.
TEST(RunMessageTest, ABatchOfOutcomesArrivesAsEachAloneWould)
{
    RunOutcome second = Outcome();
    second.runId = 9;
    second.generations.clear();
    second.status = zarudiv::RunStatus::Abandoned;
    const std::vector<RunOutcome> sent = {Outcome(), second};
    const std::string bytes = zarudiv::EncodeOutcomes(sent);
    const std::vector<RunOutcome> got = zarudiv::DecodeOutcomes(bytes);
    ASSERT_EQ(got.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(zarudiv::EncodeOutcome(got[i]), zarudiv::EncodeOutcome(sent[i])) << i;
    EXPECT_EQ(bytes.size(), 4 + 2 * 8 + zarudiv::EncodeOutcome(sent[0]).size() +
                                zarudiv::EncodeOutcome(sent[1]).size());
    EXPECT_TRUE(zarudiv::DecodeOutcomes(zarudiv::EncodeOutcomes({})).empty());

    for (std::size_t cut : {std::size_t{2}, std::size_t{20}, bytes.size() - 1})
        EXPECT_THROW(zarudiv::DecodeOutcomes(bytes.substr(0, cut)), zarudiv::MessageError) << cut;
    std::string tooMany = bytes;
    tooMany[3] = '\x7f';  // a count of two billion in a message of a few hundred bytes
    EXPECT_THROW(zarudiv::DecodeOutcomes(tooMany), zarudiv::MessageError);
}

TEST(RunMessageTest, ProgressOfRunsInFlightArrivesBitForBitAndDamageIsRefused)
{
    const std::vector<zarudiv::RunProgress> runs = {{7, 1, 283.866343823932}, {1LL << 40, 10000, -0.0}};
    const std::string bytes = zarudiv::EncodeProgress(runs);
    EXPECT_EQ(bytes.size(), 4u + 2 * 20u);
    const std::vector<zarudiv::RunProgress> back = zarudiv::DecodeProgress(bytes);
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(back[i].runId, runs[i].runId);
        EXPECT_EQ(back[i].generation, runs[i].generation);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back[i].bestQ), std::bit_cast<std::uint64_t>(runs[i].bestQ));
    }
    EXPECT_TRUE(zarudiv::DecodeProgress(zarudiv::EncodeProgress({})).empty());
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_THROW(zarudiv::DecodeProgress(bytes.substr(0, cut)), zarudiv::MessageError) << cut;
    EXPECT_THROW(zarudiv::DecodeProgress(bytes + "x"), zarudiv::MessageError);
    // A count of four billion runs in a message of 44 bytes.
    EXPECT_THROW(zarudiv::DecodeProgress(std::string(4, '\xff') + bytes.substr(4)),
                 zarudiv::MessageError);
}

}  // namespace
