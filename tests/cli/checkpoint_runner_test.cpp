// The runner's checkpoints as a user takes them: a campaign stopped by a
// signal and continued gives the unbroken campaign's protocol, log, law and
// pictures; a checkpoint that cannot be continued changes nothing.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::RunProgram;
using zarudiv::testing::RunResult;
using zarudiv::testing::TempDir;

std::string AfterFirstLine(const std::string& bytes) { return bytes.substr(bytes.find("\r\n")); }

const char* const kPictures[] = {"Image1", "Image2", "Image3", "Image4",
                                 "Image7", "Image8", "Image9", "Image10"};

// Everything the runner wrote in dir for the outputs named after `name`.
void ExpectSameOutputs(const TempDir& dir, const std::string& name, const std::string& reference)
{
    EXPECT_EQ(AfterFirstLine(ReadBytes(dir.file(name + ".doc"))),
              AfterFirstLine(ReadBytes(dir.file(reference + ".doc"))));
    EXPECT_EQ(ReadBytes(dir.file(name + ".csv")), ReadBytes(dir.file(reference + ".csv")));
    EXPECT_EQ(ReadBytes(dir.file(name + ".law")), ReadBytes(dir.file(reference + ".law")));
    for (const char* picture : kPictures)
        EXPECT_EQ(ReadBytes(dir.file(name + "/" + picture + ".png")),
                  ReadBytes(dir.file(reference + "/" + picture + ".png")))
            << picture;
}

std::string Outputs(const std::string& name)
{
    return " --protocol " + name + ".doc --log " + name + ".csv --law-out " + name +
           ".law --plots " + name;
}

TEST(CheckpointRunnerTest, ACampaignStoppedBySignalGoesOnToTheUnbrokenOne)
{
    TempDir dir;
    const std::string campaign = "--generations 400 --mutants 12 --step 600 --seed 31 --save --threads 1";
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, campaign + Outputs("unbroken")).exitCode, 0);

    BackgroundProcess stopped(dir, Quote(ZARUDIV_RUN) + " " + campaign + Outputs("first") +
                                       " --checkpoint c.ckpt --checkpoint-every 0");
    // Stopped once it has written its first checkpoint, somewhere in the campaign.
    for (int i = 0; i < 500 && !std::filesystem::exists(dir.file("c.ckpt")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stopped.signal(SIGTERM);
    const auto ended = stopped.waitFor(std::chrono::seconds(60));
    ASSERT_TRUE(ended.has_value());
    if (ended->exitCode == 0)
        GTEST_SKIP() << "the campaign ended before the signal came";
    ASSERT_EQ(ended->exitCode, 143) << ended->err;
    EXPECT_NE(ended->err.find("continue with zarudiv-run --continue c.ckpt"), std::string::npos)
        << ended->err;

    const RunResult continued =
        RunProgram(dir, ZARUDIV_RUN, "--continue c.ckpt" + Outputs("continued") + " --threads 2");
    ASSERT_EQ(continued.exitCode, 0) << continued.err;
    ExpectSameOutputs(dir, "continued", "unbroken");
}

TEST(CheckpointRunnerTest, AFinishedCampaignGoesOnToMoreGenerations)
{
    TempDir dir;
    const std::string campaign = " --mutants 8 --step 900 --seed 4 --save";
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, "--generations 60" + campaign + Outputs("long")).exitCode, 0);
    for (const char* at : {"0", "1", "25"}) {
        ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN,
                             std::string("--generations ") + at + campaign + " --checkpoint short.ckpt")
                      .exitCode,
                  0);
        const RunResult longer = RunProgram(
            dir, ZARUDIV_RUN, "--continue short.ckpt --generations 60" + Outputs(std::string("from") + at));
        ASSERT_EQ(longer.exitCode, 0) << longer.err;
        ExpectSameOutputs(dir, std::string("from") + at, "long");
    }
}

TEST(CheckpointRunnerTest, ACheckpointThatCannotBeContinuedChangesNothing)
{
    TempDir dir;
    ASSERT_EQ(RunProgram(dir, ZARUDIV_RUN, "--generations 10 --mutants 3 --step 100 --seed 1 --checkpoint c.ckpt").exitCode, 0);
    std::string edited = ReadBytes(dir.file("c.ckpt"));
    edited.replace(edited.find("\nbest-q "), 8, "\nbest-q 1");
    std::ofstream(dir.file("edited.ckpt"), std::ios::binary) << edited;
    std::ofstream(dir.file("keep.doc"), std::ios::binary) << "not to be touched";
    struct Case {
        std::string args;
        std::string says;
    };
    for (const Case& c : {
             Case{"--continue c.ckpt --generations 9", "--generations 9 is below the generation the checkpoint c.ckpt reached (10)"},
             Case{"--continue edited.ckpt", "--continue edited.ckpt:81: the checksum does not match"},
             Case{"--continue c.ckpt --seed 2", "--seed does not go with it"},
             Case{"--continue missing.ckpt", "missing.ckpt: cannot be read"},
         }) {
        const RunResult run = RunProgram(dir, ZARUDIV_RUN, c.args + " --protocol keep.doc --log out.csv --plots pics");
        EXPECT_EQ(run.exitCode, 2) << c.args;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << "\n" << run.err;
        EXPECT_EQ(ReadBytes(dir.file("keep.doc")), "not to be touched") << c.args;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.csv"))) << c.args;
        EXPECT_FALSE(std::filesystem::exists(dir.file("pics"))) << c.args;
    }
}

}  // namespace
