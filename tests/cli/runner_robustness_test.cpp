// The runner under adverse conditions: too few threads, a protocol another
// campaign writes, pictures that cannot be written, an inherited platform,
// names that would write another file, output that cannot be written, a
// read-only disk, a signal. Each ends cleanly with its exit code and message,
// and nothing written is lost.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/process.h"
#include "tests/support/small_mount.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::testing::ReadBytes;
using zarudiv::testing::RunProgram;
using zarudiv::testing::RunResult;
using zarudiv::testing::SmallMount;
using zarudiv::testing::TempDir;

RunResult RunRunner(const TempDir& dir, const std::string& args, const std::string& prefix = "",
              const std::string& redirect = "")
{
    return RunProgram(dir, ZARUDIV_RUN, args, prefix, redirect);
}

std::string AfterFirstLine(const std::string& bytes)
{
    return bytes.substr(std::min(bytes.size(), bytes.find("\r\n")));
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// Waits until the file holds `rows` protocol rows (lines starting with a
// right-aligned generation number).
bool WaitForRows(const std::string& file, std::size_t rows)
{
    for (int i = 0; i < 600; ++i) {
        if (Count(ReadBytes(file), "*   \r\n") >= rows)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(RunnerRobustnessTest, ThreadsThatCannotBeStartedLeaveTheCampaignToThoseThatDid)
{
#ifdef ZARUDIV_SANITIZED
    GTEST_SKIP() << "an address-space limit and the sanitizers' shadow memory do not mix";
#endif
    TempDir dir;
    // 8 MiB stacks in 600 MB of address space: far fewer than 100 threads fit.
    const RunResult limited =
        RunRunner(dir, "--generations 2 --mutants 100 --step 5 --seed 1 --save --threads 256 --protocol a.doc",
            "ulimit -s 8192 && ulimit -v 600000 &&");
    ASSERT_EQ(limited.exitCode, 0) << limited.err;
    EXPECT_NE(limited.err.find("threads could be started; the campaign runs on"), std::string::npos)
        << limited.err;
    ASSERT_EQ(RunRunner(dir, "--generations 2 --mutants 100 --step 5 --seed 1 --save --threads 1 "
                       "--protocol b.doc")
                  .exitCode,
              0);
    EXPECT_EQ(AfterFirstLine(ReadBytes(dir.file("a.doc"))), AfterFirstLine(ReadBytes(dir.file("b.doc"))));
}

TEST(RunnerRobustnessTest, AProtocolInUseIsRefusedAndTheFirstCampaignKeepsItsFile)
{
    TempDir dir;
    // A first campaign, started in the background as from a second terminal.
    zarudiv::testing::BackgroundProcess first(
        dir, zarudiv::testing::Quote(ZARUDIV_RUN) +
                 " --generations 10000 --mutants 10 --step 500 --seed 5 --save --protocol p.doc");
    ASSERT_TRUE(WaitForRows(dir.file("p.doc"), 2)) << "the first campaign wrote no rows";

    const RunResult second =
        RunRunner(dir, "--generations 3 --mutants 2 --step 500 --seed 6 --save --protocol p.doc");
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.err, "zarudiv-run: p.doc: Datei wird von einem anderen Programm verwendet\n");

    // SIGINT stops the first at the end of a generation: one header, its own
    // rows in order, no report and no closing line.
    first.signal(SIGINT);
    const zarudiv::testing::ProcessResult stopped = first.wait();
    EXPECT_EQ(stopped.exitCode, 130);
    const std::string bytes = ReadBytes(dir.file("p.doc"));
    EXPECT_EQ(Count(bytes, "BEGIN of Savefile"), 1u);
    EXPECT_EQ(Count(bytes, "maxGenerationen:"), 1u);
    EXPECT_EQ(Count(bytes, "END of Savefile"), 0u);
    EXPECT_EQ(bytes.find("Datenanalyse"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_NE(stopped.err.find("stopped after generation"), std::string::npos) << stopped.err;

    // The rows are those of the same campaign run to that generation: the
    // rows do not depend on how many generations are still to come.
    const std::size_t rows = Count(bytes, "*   \r\n");
    ASSERT_EQ(RunRunner(dir, "--generations " + std::to_string(rows) +
                           " --mutants 10 --step 500 --seed 5 --save --protocol q.doc")
                  .exitCode,
              0);
    const std::string reference = ReadBytes(dir.file("q.doc"));
    const auto rowsOf = [](const std::string& protocol) {
        const std::size_t header = protocol.find("Schrittweite         \r\n");
        const std::size_t end = protocol.rfind("*   \r\n");
        return protocol.substr(header, end - header);
    };
    EXPECT_EQ(rowsOf(bytes), rowsOf(reference)) << rows << " rows";
}

TEST(RunnerRobustnessTest, PicturesThatCannotBeWrittenFailBeforeTheCampaign)
{
    TempDir dir;
    { std::ofstream(dir.file("a-file")) << "x"; }
    const RunResult run =
        RunRunner(dir, "--generations 50 --mutants 5 --step 5 --seed 1 --protocol p.doc --plots a-file/pics");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zarudiv-run: a-file/pics: the directory cannot be made (Not a directory)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.doc"))) << "the campaign ran all the same";
}

TEST(RunnerRobustnessTest, AFullDiskLeavesNoBrokenPictureAndFails)
{
    SmallMount disk("size=12k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    TempDir dir;
    const std::string pictures = disk.dir().file("pics");
    const RunResult run = RunRunner(dir, "--generations 3 --mutants 2 --step 500 --seed 1 --protocol p.doc "
                                   "--plots " + zarudiv::testing::Quote(pictures));
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find(".png: cannot be written"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    for (const auto& entry : std::filesystem::directory_iterator(pictures)) {
        EXPECT_EQ(entry.path().extension(), ".png") << "a temporary file was left: " << entry.path();
        EXPECT_GT(std::filesystem::file_size(entry.path()), 100u) << entry.path();
    }
}

TEST(RunnerRobustnessTest, AnInheritedPlatformDoesNotKeepTheRunnerFromDrawing)
{
    TempDir dir;
    for (const char* platform : {"xcb", "wayland", "bogus"}) {
        const RunResult run = RunRunner(dir, "--generations 2 --mutants 2 --step 500 --seed 1 --protocol p.doc --plots pics",
                                  std::string("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=") + platform);
        EXPECT_EQ(run.exitCode, 0) << platform << ": " << run.err;
        EXPECT_TRUE(std::filesystem::exists(dir.file("pics/Image10.png"))) << platform;
        std::filesystem::remove_all(dir.file("pics"));
    }
}

TEST(RunnerRobustnessTest, OutputThatCannotBeWrittenIsAFailure)
{
    TempDir dir;
    const std::string args = "--generations 1 --mutants 1 --step 1 --seed 1 --protocol p.doc";
    const RunResult fullOut = RunRunner(dir, args, "", " >/dev/full 2>" + zarudiv::testing::Quote(dir.file("stderr.txt")));
    EXPECT_EQ(fullOut.exitCode, 1);
    EXPECT_EQ(fullOut.err, "zarudiv-run: the standard output cannot be written (No space left on device)\n");
    // Without a seed the runner tells the seed it picked on stderr.
    const RunResult fullErr =
        RunRunner(dir, "--generations 1 --mutants 1 --step 1 --protocol p.doc", "",
            " >" + zarudiv::testing::Quote(dir.file("stdout.txt")) + " 2>/dev/full");
    EXPECT_EQ(fullErr.exitCode, 1);
}

TEST(RunnerRobustnessTest, AClosedPipeOnStdoutIsAFailedOutputWithAMessage)
{
    TempDir dir;
    const zarudiv::testing::ProcessResult run = zarudiv::testing::RunIntoClosedPipe(
        dir, zarudiv::testing::Quote(ZARUDIV_RUN) +
                 " --generations 5 --mutants 2 --step 500 --seed 1 --save --protocol p.doc");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "zarudiv-run: the standard output cannot be written (Broken pipe)\n");
    EXPECT_NE(ReadBytes(dir.file("p.doc")).find("END of Savefile"), std::string::npos);
}

TEST(RunnerRobustnessTest, ASignalTheParentIgnoredStaysIgnored)
{
    TempDir dir;
    // As a shell starts a job after `trap '' INT`: Ctrl-C passes it by.
    zarudiv::testing::BackgroundProcess run(
        dir, "/bin/sh -c " + zarudiv::testing::Quote(
                                 "trap '' INT; exec " + zarudiv::testing::Quote(ZARUDIV_RUN) +
                                 " --generations 10000 --mutants 10 --step 500 --seed 5 --save "
                                 "--protocol p.doc"));
    ASSERT_TRUE(WaitForRows(dir.file("p.doc"), 2)) << "the campaign wrote no rows";
    run.signal(SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(run.running()) << "an ignored SIGINT stopped the campaign";
    run.signal(SIGTERM);
    const zarudiv::testing::ProcessResult stopped = run.wait();
    EXPECT_EQ(stopped.exitCode, 143) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped after generation"), std::string::npos) << stopped.err;
}

TEST(RunnerRobustnessTest, AReadOnlyDiskIsNamedAsTheCause)
{
    SmallMount disk("ro,size=64k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    // The runner's own directory is the read-only disk: its default protocol
    // needs a directory "C:" there.
    TempDir out;
    const std::string command = "cd " + zarudiv::testing::Quote(disk.dir().path().string()) + " && " +
                                zarudiv::testing::Quote(ZARUDIV_RUN) +
                                " --generations 1 --mutants 1 --step 1 --seed 1 >/dev/null 2>" +
                                zarudiv::testing::Quote(out.file("err"));
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadBytes(out.file("err")),
              "zarudiv-run: C:/QX_000_000.doc: Dateizugriff verweigert (schreibgeschütztes "
              "Dateisystem)\n");
}

}  // namespace
