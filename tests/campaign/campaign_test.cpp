#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "campaign/campaign.h"
#include "evolution/diffusion_model.h"
#include "evolution/fpu.h"
#include "protocol/number_format.h"
#include "protocol/protocol_file.h"
#include "tests/support/recording_display.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::Campaign;
using zarudiv::CampaignResult;
using zarudiv::EngineOptions;
using zarudiv::Generator;
using zarudiv::PlotRole;
using zarudiv::StepKind;
using zarudiv::TextRole;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::RecordingDisplay;
using zarudiv::testing::TempDir;

Campaign Settings(int generations, int mutants, int ppm, bool save = true)
{
    Campaign c;
    c.generations = generations;
    c.mutants = mutants;
    c.stepPpm = ppm;
    c.save = save;
    return c;
}

// The campaign with that seed into the protocol file `name`.
CampaignResult RunInto(const std::string& name, Campaign campaign, std::uint32_t seed,
                   zarudiv::CampaignDisplay& display, EngineOptions engine = {},
                   const zarudiv::StopRequest* stop = nullptr,
                   const zarudiv::StartLaw* startLaw = nullptr)
{
    campaign.seed = seed;
    zarudiv::ProtocolFile protocol;
    zarudiv::OpenProtocol(protocol, name);
    zarudiv::CampaignOptions options;
    options.engine = engine;
    options.stop = stop;
    options.startLaw = startLaw;
    return zarudiv::RunCampaign(campaign, {display, protocol}, options);
}

std::string Protocol(const Campaign& settings, std::uint32_t seed, EngineOptions engine = {},
                     RecordingDisplay* shown = nullptr, const zarudiv::StartLaw* startLaw = nullptr)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    RecordingDisplay local;
    RunInto(name, settings, seed, shown ? *shown : local, engine, nullptr, startLaw);
    // The temporary directory differs from run to run; the first line names it.
    std::string bytes = ReadBytes(name);
    const std::size_t at = bytes.find(name);
    if (at != std::string::npos)
        bytes.replace(at, name.size(), "p.doc");
    return bytes;
}

std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(bytes.substr(at, end - at));
    return lines;
}

// The number of draws a campaign makes: three vectors, then per mutant the
// step (4), the signs (2n) and the quality measure (2n), per generation the two
// diffusion-law plots (4n), and with saving the report (11n).
std::uint64_t ExpectedDraws(int generations, int mutants, bool save)
{
    const std::uint64_t n = 20;
    return 3 * n +
           static_cast<std::uint64_t>(generations) *
               (static_cast<std::uint64_t>(mutants) * (4 + 4 * n) + 4 * n) +
           (save ? 11 * n : 0);
}

TEST(CampaignTest, SameSeedGivesSameProtocolAndDifferentSeedsDiffer)
{
    const Campaign settings = Settings(6, 5, 1000);
    const std::string first = Protocol(settings, 42u);
    EXPECT_EQ(Protocol(settings, 42u), first);
    EXPECT_NE(Protocol(settings, 43u), first);
}

TEST(CampaignTest, ProtocolsAreIdenticalForEveryEngine)
{
    struct Case {
        int generations, mutants, ppm;
        std::uint32_t seed;
    };
    for (const Case& c : {Case{3, 4, 1000, 1u}, Case{2, 7, 1, 99u}, Case{4, 3, 1000000, 7u}}) {
        const Campaign settings = Settings(c.generations, c.mutants, c.ppm);
        const std::string literal = Protocol(settings, c.seed, {1, StepKind::Literal});
        for (unsigned threads : {1u, 2u, 8u})
            EXPECT_EQ(Protocol(settings, c.seed, {threads, StepKind::Fast}), literal)
                << "seed " << c.seed << ", " << threads << " threads";
    }
}

TEST(CampaignTest, ProtocolHasHeaderOneRowPerGenerationAndTheReport)
{
    const std::vector<std::string> lines = Lines(Protocol(Settings(4, 3, 1000), 5u));
    ASSERT_EQ(lines.size(), 1u + 4 + 4 + 194 + 1);
    EXPECT_EQ(lines[2],
              "maxGenerationen:    4    maxMutanten:  3    Start-Schrittweite:0.0000010000     ");
    for (int g = 1; g <= 4; ++g) {
        const std::string& row = lines[static_cast<std::size_t>(4 + g)];
        const std::string evaluations = std::to_string(3 * g);
        std::string expected(4, ' ');
        expected += std::to_string(g);
        expected += "*   ";
        expected.append(10 - evaluations.size(), ' ');
        expected += evaluations;
        expected += '*';
        EXPECT_EQ(row.substr(0, 20), expected) << row;
    }
    EXPECT_EQ(lines[9], "*");
    EXPECT_EQ(lines.back(),
              "##### QX++ Document #####  END of Savefile  ##########################");
}

TEST(CampaignTest, WithoutSavingOnlyTheFirstAndLastLine)
{
    EXPECT_EQ(Lines(Protocol(Settings(2, 2, 1000, false), 5u)).size(), 2u);
}

TEST(CampaignTest, DrawsAFixedNumberOfValuesPerMutantAndGeneration)
{
    for (bool save : {false, true}) {
        for (StepKind kind : {StepKind::Literal, StepKind::Fast}) {
            TempDir dir;
            RecordingDisplay display;
            const Generator gen =
                RunInto(dir.file("p.doc"), Settings(3, 2, 500, save), 11u, display, {1, kind}).generator;
            EXPECT_EQ(gen.draws, ExpectedDraws(3, 2, save));
            Generator reference(11u);
            reference.skip(ExpectedDraws(3, 2, save));
            EXPECT_EQ(gen.RandSeed, reference.RandSeed);
        }
    }
}

TEST(CampaignTest, NothingMovedRunsNoGenerationButPlotsAndReports)
{
    RecordingDisplay display;
    const std::vector<std::string> lines =
        Lines(Protocol(Settings(0, 0, 0), 3u, {}, &display));
    EXPECT_EQ(display.events, (std::vector<std::string>{"vector:target vector/16711680",
                                                        "vector:start vector/16711680"}));
    ASSERT_EQ(lines.size(), 1u + 4 + 194 + 1);
    EXPECT_EQ(lines[2],
              "maxGenerationen:    0    maxMutanten:  0    Start-Schrittweite:0.0000000000     ");
}

TEST(CampaignTest, WithoutMutantsBestQStaysAtTenMillion)
{
    RecordingDisplay display;
    const std::vector<std::string> lines = Lines(Protocol(Settings(2, 0, 100), 3u, {}, &display));
    EXPECT_EQ(display.texts[TextRole::BestQuality], "(MINIMIZE Q) Q(G) = 10000000");
    EXPECT_EQ(display.texts[TextRole::Generation], "2 von  2");
    EXPECT_EQ(display.texts.count(TextRole::Mutant), 0u);
    EXPECT_EQ(lines[5], "    1*            0*        10000000.0000000000*    0.0000001000*   ");
    // The parents stay zero.
    EXPECT_EQ(display.plotted[PlotRole::ActivatorLaw], zarudiv::ZeroVector(20));
    ASSERT_EQ(display.points.size(), 2u);
    EXPECT_EQ(display.points[1].generation, 2.0);
    EXPECT_EQ(display.points[1].quality, 10000000.0);
    EXPECT_EQ(display.points[1].generations, 2.0);
    EXPECT_EQ(display.points[1].qualityRange, 200.0);
    EXPECT_EQ(display.points[1].colour, 255u);
    EXPECT_EQ(display.points[1].caption, "  ");
}

TEST(CampaignTest, AZeroStepMakesEveryMutantATieThatIsAccepted)
{
    for (StepKind kind : {StepKind::Literal, StepKind::Fast}) {
        TempDir dir;
        RecordingDisplay display;
        const zarudiv::CampaignResult result = RunInto(dir.file("p.doc"), Settings(3, 4, 0), 8u, display, {2, kind});
        EXPECT_EQ(result.acceptedMutants, 12);
        EXPECT_EQ(result.bestQ, static_cast<double>(std::sqrt(80625.0L)));
        EXPECT_EQ(display.texts[TextRole::StepWidth], "del[ppm]= 0");
        EXPECT_EQ(display.texts[TextRole::BestQuality], "(MINIMIZE Q) Q(G) = 284");
    }
}

TEST(CampaignTest, ShowsProgressTextsInOrder)
{
    RecordingDisplay display;
    Protocol(Settings(2, 2, 1000), 21u, {}, &display);
    const std::vector<std::string> generation = {
        "bar:generation",      "text:generation",      "bar:mutant",       "text:mutant",
        "text:step width",     "bar:mutant",           "text:mutant",      "text:step width",
        "text:best quality",   "point:quality curve",  "law:activator law", "law:inhibitor law",
        "spectrum:activator spectrum", "spectrum:inhibitor spectrum",
        "vector:best evolved vector"};
    std::vector<std::string> expected = {"vector:target vector", "vector:start vector"};
    for (int g = 0; g < 2; ++g)
        expected.insert(expected.end(), generation.begin(), generation.end());
    EXPECT_EQ(display.kinds(), expected);
    EXPECT_EQ(display.texts[TextRole::Generation], "2 von  2");
    EXPECT_EQ(display.texts[TextRole::Mutant], "2 von  2");
    EXPECT_EQ(display.texts[TextRole::StepWidth].rfind("del[ppm]= ", 0), 0u);
}

TEST(CampaignTest, NegativeStepsAreShownWithAMinusSign)
{
    // A large start step makes about half of the mutants' steps negative.
    RecordingDisplay display;
    Protocol(Settings(3, 10, 1000), 4u, {}, &display);
    const bool negative = std::any_of(display.events.begin(), display.events.end(),
                                      [](const std::string& e) {
                                          return e.rfind("text:step width=del[ppm]= -", 0) == 0;
                                      });
    EXPECT_TRUE(negative);
}

std::string AfterFirstLine(const std::string& bytes)
{
    return bytes.substr(std::min(bytes.size(), bytes.find("\r\n")));
}

// The pinned protocol of one campaign: whatever the display does with the
// plots and whichever engine runs, these bytes do not change.
TEST(CampaignTest, SeededCampaignMatchesTheGoldenProtocol)
{
    const std::string golden = ReadBytes(ZARUDIV_GOLDEN_DIR "/campaign-20261208.doc");
    ASSERT_FALSE(golden.empty());
    for (EngineOptions engine : {EngineOptions{1, StepKind::Literal}, EngineOptions{2, StepKind::Fast}}) {
        TempDir dir;
        zarudiv::CampaignDisplay plain;
        RunInto(dir.file("campaign-20261208.doc"), Settings(12, 10, 750), 20261208u, plain, engine);
        EXPECT_EQ(AfterFirstLine(ReadBytes(dir.file("campaign-20261208.doc"))),
                  AfterFirstLine(golden));
    }
}

// A start step of 10^6 makes some mutants' states overflow; with seed 3 and
// four mutants the first such mutant comes in generation 7. No scroll-bar
// position gives such a step; a start law with all coefficients 0 does.
Campaign Overflowing() { return Settings(12, 4, 0); }
const zarudiv::StartLaw kHugeStep{zarudiv::ZeroLaw(1e6L), true, "zeros"};

TEST(CampaignFaultTest, AnOverflowEndsTheCampaignAndKeepsTheRowsWrittenSoFar)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    RecordingDisplay display;
    try {
        RunInto(name, Overflowing(), 3u, display, {}, nullptr, &kHugeStep);
        FAIL() << "the campaign did not overflow";
    } catch (const zarudiv::FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), zarudiv::FloatingPointFault::Kind::Overflow);
        EXPECT_STREQ(fault.what(), "Gleitkommaüberlauf");
    }
    EXPECT_EQ(display.texts[TextRole::Generation], "7 von  12");
    const std::vector<std::string> lines = Lines(ReadBytes(name));
    ASSERT_EQ(lines.size(), 1u + 4 + 6);  // first line, header, rows 1 to 6
    EXPECT_EQ(lines.back().substr(0, 6), "    6*");
    EXPECT_EQ(ReadBytes(name).find("END of Savefile"), std::string::npos);
    EXPECT_EQ(ReadBytes(name).substr(ReadBytes(name).size() - 2), "\r\n");

    // The file was closed: the next command rewrites it normally.
    RunInto(name, Settings(2, 2, 100), 3u, display);
    const std::vector<std::string> next = Lines(ReadBytes(name));
    EXPECT_EQ(next.size(), 1u + 4 + 2 + 194 + 1);
}

TEST(CampaignFaultTest, EveryEngineFaultsAtTheSameMutant)
{
    const auto run = [](EngineOptions engine) {
        TempDir dir;
        RecordingDisplay display;
        std::string message;
        try {
            RunInto(dir.file("p.doc"), Overflowing(), 3u, display, engine, nullptr, &kHugeStep);
        } catch (const zarudiv::CommandError& error) {
            message = error.what();
        }
        display.events.push_back(message);
        const std::string bytes = ReadBytes(dir.file("p.doc"));
        display.events.push_back(bytes.substr(bytes.find("\r\n")));
        return display.events;
    };
    const std::vector<std::string> literal = run({1, StepKind::Literal});
    EXPECT_EQ(literal[literal.size() - 2], "Gleitkommaüberlauf");
    for (unsigned threads : {1u, 2u, 8u}) {
        const std::vector<std::string> fast = run({threads, StepKind::Fast});
        ASSERT_EQ(fast.size(), literal.size()) << threads << " threads";
        for (std::size_t i = 0; i < fast.size(); ++i)
            ASSERT_EQ(fast[i], literal[i]) << "event " << i << ", " << threads << " threads";
    }
}

// A display whose spectrum plot overflows, as a plot of a vector beyond the
// range of double would when it stores its extrema.
class OverflowingSpectrum : public RecordingDisplay {
public:
    void plotSpectrum(PlotRole role, const zarudiv::TVector& v) override
    {
        RecordingDisplay::plotSpectrum(role, v);
        volatile double huge = 1e308;
        huge = huge * 10.0;
    }
    // Foreign code in the texts raises flags too; those are not the campaign's.
    void showText(TextRole role, const std::string& text) override
    {
        RecordingDisplay::showText(role, text);
        volatile double zero = 0.0;
        zero = zero / zero;
    }
};

TEST(CampaignFaultTest, AFaultInAPlotEndsTheCampaignButFlagsOfTheTextsDoNot)
{
    TempDir dir;
    OverflowingSpectrum display;
    try {
        RunInto(dir.file("p.doc"), Settings(3, 2, 100), 1u, display);
        FAIL() << "no fault";
    } catch (const zarudiv::FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), zarudiv::FloatingPointFault::Kind::Overflow);
    }
    // The first generation's spectrum plot ended it.
    EXPECT_EQ(display.texts[TextRole::Generation], "1 von  3");
    EXPECT_EQ(display.plotted.count(PlotRole::InhibitorSpectrum), 0u);
}

TEST(CampaignFaultTest, AStepTooLargeToShowIsAnInvalidOperation)
{
    // step * 10^9 beyond the 64-bit range cannot be rounded for Edit6.
    const zarudiv::StartLaw huge{zarudiv::ZeroLaw(1e30L), true, "zeros"};
    TempDir dir;
    RecordingDisplay display;
    try {
        RunInto(dir.file("p.doc"), Settings(1, 1, 0), 1u, display, {}, nullptr, &huge);
        FAIL() << "no fault";
    } catch (const zarudiv::FloatingPointFault& fault) {
        EXPECT_STREQ(fault.what(), "Ungültige Gleitkommaoperation");
    }
    EXPECT_EQ(display.texts.count(TextRole::StepWidth), 0u);
    EXPECT_EQ(display.texts[TextRole::Mutant], "1 von  1");
}

// A display that asks the campaign to stop while generation `at` runs, in
// the middle of its mutants, as a user pressing Esc would.
class StoppingDisplay : public RecordingDisplay {
public:
    StoppingDisplay(zarudiv::StopRequest& stop, std::string at) : stop_(stop), at_(std::move(at)) {}
    void showText(TextRole role, const std::string& text) override
    {
        RecordingDisplay::showText(role, text);
        if (role == TextRole::Generation && text == at_)
            stop_.request();
    }
    void generationDone(const zarudiv::GenerationRecord& record) override { records.push_back(record); }

    std::vector<zarudiv::GenerationRecord> records;

private:
    zarudiv::StopRequest& stop_;
    std::string at_;
};

TEST(CampaignStopTest, AStopTakesEffectAtTheEndOfTheGenerationAfterItsRow)
{
    const Campaign settings = Settings(8, 4, 600);
    const std::vector<std::string> full = Lines(Protocol(settings, 31u));
    for (StepKind kind : {StepKind::Literal, StepKind::Fast}) {
        TempDir dir;
        zarudiv::StopRequest stop;
        StoppingDisplay display(stop, "3 von  8");
        const zarudiv::CampaignResult result = RunInto(dir.file("p.doc"), settings, 31u, display, {2, kind}, &stop);
        EXPECT_TRUE(result.stopped);
        EXPECT_EQ(result.generationsDone, 3);
        // Generation 3 was finished: all its mutants, its row and its pictures.
        EXPECT_EQ(display.texts[TextRole::Mutant], "4 von  4");
        EXPECT_EQ(display.kinds().back(), "vector:best evolved vector");
        EXPECT_EQ(display.records.size(), 3u);
        // The cut form: first line, header, rows 1 to 3; no report, no END line.
        const std::string bytes = ReadBytes(dir.file("p.doc"));
        const std::vector<std::string> cut = Lines(bytes.substr(bytes.find("\r\n") + 2));
        ASSERT_EQ(cut.size(), 4u + 3);
        EXPECT_TRUE(std::equal(cut.begin(), cut.end(), full.begin() + 1));
        EXPECT_EQ(bytes.find("END of Savefile"), std::string::npos);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    }
}

TEST(CampaignStopTest, TheNextCampaignAfterAStopRunsNormally)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    zarudiv::StopRequest stop;
    StoppingDisplay display(stop, "1 von  5");
    RunInto(name, Settings(5, 3, 400), 9u, display, {}, &stop);
    EXPECT_TRUE(stop.requested());
    stop.clear();
    RecordingDisplay plain;
    const zarudiv::CampaignResult again =
        RunInto(name, Settings(5, 3, 400), 9u, plain, {}, &stop);
    EXPECT_FALSE(again.stopped);
    EXPECT_EQ(again.generationsDone, 5);
    EXPECT_EQ(Lines(ReadBytes(name)).size(), 1u + 4 + 5 + 194 + 1);
}

TEST(CampaignRecordTest, EachGenerationsRecordAgreesWithItsProtocolRow)
{
    zarudiv::StopRequest never;
    StoppingDisplay display(never, "");
    const Campaign settings = Settings(9, 6, 900);
    TempDir dir;
    const zarudiv::CampaignResult result =
        RunInto(dir.file("p.doc"), settings, 123u, display);
    const std::vector<std::string> lines = Lines(ReadBytes(dir.file("p.doc")));
    ASSERT_EQ(display.records.size(), 9u);
    std::int64_t accepted = 0;
    for (const zarudiv::GenerationRecord& r : display.records) {
        const std::string& row = lines[static_cast<std::size_t>(4 + r.generation)];
        EXPECT_EQ(r.evaluations, 6 * r.generation);
        // The row is the record's numbers in the protocol's formats.
        EXPECT_EQ(row, zarudiv::FormatReal(r.generation, 5, 0) + "*   " +
                           zarudiv::FormatReal(static_cast<double>(r.evaluations), 10, 0) +
                           "*        " + zarudiv::FormatReal(r.bestQ, 5, 10) + "*    " +
                           zarudiv::FormatReal(r.stepWidth, 5, 10) + "*   ");
        EXPECT_LE(r.accepted, 6);
        accepted += r.accepted;
    }
    EXPECT_EQ(display.records.back().bestQ, result.bestQ);
    EXPECT_EQ(accepted, result.acceptedMutants);
}

TEST(CampaignProtocolTest, AProtocolKeptInMemoryHasTheFilesBytes)
{
    const Campaign settings = Settings(6, 5, 300);
    zarudiv::ProtocolFile memory;
    zarudiv::OpenProtocolInMemory(memory, "p.doc");
    zarudiv::CampaignDisplay plain;
    Campaign campaign = settings;
    campaign.seed = 55u;
    zarudiv::RunCampaign(campaign, {plain, memory});
    EXPECT_FALSE(memory.isOpen());
    EXPECT_EQ(memory.contents(), Protocol(settings, 55u));
}

}  // namespace
