// The runner's outputs at their edge: a file another program holds, a FIFO,
// and two options naming one file are refused before anything is written.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "protocol/protocol_file.h"
#include "series/series_store.h"
#include "tests/support/process.h"

namespace {

using zarudiv::testing::BackgroundProcess;
using zarudiv::testing::Quote;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

const std::string kCampaign = "--generations 3 --mutants 2 --step 500 --seed 1 --save ";

// Ends within the limit, or the test fails rather than hangs.
zarudiv::testing::ProcessResult RunBounded(const TempDir& dir, const std::string& args)
{
    BackgroundProcess run(dir, Quote(ZARUDIV_RUN) + " " + args, "runner");
    const std::optional<zarudiv::testing::ProcessResult> result = run.waitFor(std::chrono::seconds(60));
    if (!result)
        return zarudiv::testing::ProcessResult{-2, "", "still running after a minute"};
    return *result;
}

// What holds a file while the runner starts: a series on its database, a
// campaign on its protocol.
using Holder = std::shared_ptr<void>;

struct HeldCase {
    const char* name;
    std::function<Holder(const TempDir&)> hold;
    const char* args;
    const char* err;
    const char* kept;  // a file that must come through unchanged
};

Holder Series(const TempDir& dir) { return std::make_shared<zarudiv::SeriesStore>(dir.file("s.sqlite")); }

Holder Protocol(const TempDir& dir)
{
    auto protocol = std::make_shared<zarudiv::ProtocolFile>();
    zarudiv::OpenProtocol(*protocol, dir.file("p.doc"));
    zarudiv::WriteProtocolHeader(*protocol, 3, 2, 5e-7);
    protocol->flush();
    return protocol;
}

Holder Fifo(const TempDir& dir)
{
    EXPECT_EQ(::mkfifo(dir.file("f").c_str(), 0644), 0);
    return nullptr;
}

const HeldCase kHeld[] = {
    {"a log over a series' live database", Series, "--protocol q.doc --log s.sqlite",
     "zarudiv-run: --log s.sqlite: the file is in use by another program\n", "s.sqlite"},
    {"a log over the protocol another campaign writes", Protocol, "--protocol q.doc --log p.doc",
     "zarudiv-run: --log p.doc: the file is in use by another program\n", "p.doc"},
    {"a FIFO as the protocol", Fifo, "--protocol f",
     "zarudiv-run: f: Dateizugriff verweigert (keine reguläre Datei)\n", nullptr},
    {"a FIFO as the log", Fifo, "--protocol q.doc --log f",
     "zarudiv-run: --log f: not a regular file\n", nullptr},
};

TEST(RunnerOutputsTest, AFileInUseOrAFifoIsRefusedBeforeAnythingChanges)
{
    for (const HeldCase& c : kHeld) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const Holder holder = c.hold(dir);
        const std::string before = c.kept ? ReadBytes(dir.file(c.kept)) : "";
        const zarudiv::testing::ProcessResult run = RunBounded(dir, kCampaign + c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, c.err);
        if (c.kept) {
            EXPECT_EQ(ReadBytes(dir.file(c.kept)), before);
        }
        // A refused log stops the campaign before its protocol is begun.
        EXPECT_FALSE(std::filesystem::exists(dir.file("q.doc")));
    }
}

TEST(RunnerOutputsTest, TwoOutputsNamingOneFileAreRefusedBeforeAnythingIsWritten)
{
    struct Case {
        const char* args;
        const char* clash;
    };
    const Case cases[] = {
        {"--protocol p.doc --log ./p.doc", "--protocol p.doc and --log ./p.doc"},
        {"--protocol hard.doc --log p.doc", "--protocol hard.doc and --log p.doc"},
        {"--protocol new.doc --log dangling.csv", "--protocol new.doc and --log dangling.csv"},
        {"--protocol pics/Image10.png --plots pics",
         "--protocol pics/Image10.png and --plots pics (pics/Image10.png)"},
        {"--protocol q.doc --law-out ./q.doc", "--protocol q.doc and --law-out ./q.doc"},
        {"--protocol q.doc --law-out new.doc --checkpoint dangling.csv",
         "--law-out new.doc and --checkpoint dangling.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        TempDir dir;
        std::ofstream(dir.file("p.doc")) << "keep\n";
        std::filesystem::create_hard_link(dir.file("p.doc"), dir.file("hard.doc"));
        std::filesystem::create_symlink("new.doc", dir.file("dangling.csv"));
        const zarudiv::testing::ProcessResult run = RunBounded(dir, kCampaign + c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, "zarudiv-run: " + std::string(c.clash) +
                               " name the same file; give each output a file of its own\n");
        EXPECT_EQ(ReadBytes(dir.file("p.doc")), "keep\n");
        for (const char* made : {"pics", "q.doc", "new.doc"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(made))) << made;
    }
}

}  // namespace
