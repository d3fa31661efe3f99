#include "campaign/checkpoint_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "campaign/program_version.h"
#include "edge/exact_real.h"
#include "edge/whole_file.h"

namespace zarudiv {

namespace {

constexpr const char* kMagic = "zarudiv checkpoint";
constexpr int kFormat = 1;

void PutVector(std::string& text, const char* key, const TVector& v)
{
    for (int i = 1; i <= kCampaignSites; ++i)
        text += std::string(key) + " " + std::to_string(i) + " " + ExactPair(v[i]) + "\n";
}

TVector TakeVector(RecordReader& in, const std::string& key)
{
    TVector v = ZeroVector(kCampaignSites);
    for (int i = 1; i <= kCampaignSites; ++i) {
        const std::vector<std::string> words = in.next(key, 4);
        if (words[1] != std::to_string(i))
            in.fail(key + " " + std::to_string(i) + " was expected here, not \"" + words[1] + "\"");
        v[i] = in.exact(words[2], words[3], key + " " + std::to_string(i));
    }
    return v;
}

double TakeDouble(const RecordReader& in, const std::string& text, const std::string& what)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    if (const auto [at, error] = std::from_chars(text.data(), end, value);
        error != std::errc() || at != end || !std::isfinite(value))
        in.fail(what + " \"" + text + "\" is not a finite number");
    return value;
}

// "zarudiv 0.1 (git ...)": the version a checkpoint was written by.
std::string VersionOf(const std::string& program)
{
    const std::size_t blank = program.find(' ');
    const std::size_t end = program.find(' ', blank + 1);
    return blank == std::string::npos ? std::string() : program.substr(blank + 1, end - blank - 1);
}

}  // namespace

std::string CheckpointText(const CampaignState& state, bool withRows)
{
    std::string text = std::string(kMagic) + " " + std::to_string(kFormat) + "\n";
    text += "program " + ProgramIdentity() + "\n";
    text += "campaign " + RunnerArguments(state.campaign) + "\n";
    if (state.startLawOrigin)
        text += "start-law " + *state.startLawOrigin + "\n";
    text += "start-step " + ExactPair(state.startStep) + "\n";
    text += "generation " + std::to_string(state.generationsDone) + "\n";
    text += "generator " + std::to_string(state.generator.RandSeed) + " " +
            std::to_string(state.generator.draws) + "\n";
    text += "best-q " + ExactReal(state.bestQ) + "\n";
    text += "accepted " + std::to_string(state.acceptedMutants) + "\n";
    text += "parent-step " + ExactPair(state.parent.step) + "\n";
    PutVector(text, "parent-activator", state.parent.activator);
    PutVector(text, "parent-inhibitor", state.parent.inhibitor);
    PutVector(text, "best-evolved", state.bestEvolved);
    if (withRows) {
        text += "rows " + std::to_string(state.rows.size()) + "\n";
        for (const GenerationRecord& row : state.rows)
            text += "row " + std::to_string(row.generation) + " " + std::to_string(row.evaluations) +
                    " " + ExactReal(row.bestQ) + " " + ExactReal(row.stepWidth) + " " +
                    std::to_string(row.accepted) + "\n";
    } else {
        text += "rows elsewhere\n";
    }
    return WithChecksum(text);
}

CampaignState ParseCheckpoint(const std::string& text, const std::string& file)
{
    RecordReader in(text, file, kMagic, kFormat);
    CampaignState state;

    in.next("program");
    const std::string version = VersionOf(in.rest());
    if (version != ProgramVersion())
        in.fail("a checkpoint of zarudiv " + version + ", which this program (zarudiv " +
                ProgramVersion() + ") does not continue; continue it with the version that wrote it");
    state.campaign = *in.campaign(in.next("campaign"), false);
    if (in.peek("start-law")) {
        in.next("start-law");
        state.startLawOrigin = in.rest();
    }
    const std::vector<std::string> startStep = in.next("start-step", 3);
    state.startStep = in.exact(startStep[1], startStep[2], "the start step width");
    state.generationsDone = in.whole<int>(in.next("generation", 2)[1], "the generation");
    if (state.generationsDone < 0 || state.generationsDone > state.campaign.generations)
        in.fail("generation " + std::to_string(state.generationsDone) + " is not one of the campaign's 0 to " +
                std::to_string(state.campaign.generations));
    const std::vector<std::string> generator = in.next("generator", 3);
    state.generator.RandSeed = in.whole<std::uint32_t>(generator[1], "the generator's state");
    state.generator.draws = static_cast<std::uint64_t>(in.whole<std::int64_t>(generator[2], "the generator's draws"));
    state.bestQ = TakeDouble(in, in.next("best-q", 2)[1], "the best Q");
    state.acceptedMutants = in.whole<std::int64_t>(in.next("accepted", 2)[1], "the accepted mutants");
    const std::vector<std::string> parentStep = in.next("parent-step", 3);
    state.parent.step = in.exact(parentStep[1], parentStep[2], "the parent's step width");
    state.parent.activator = TakeVector(in, "parent-activator");
    state.parent.inhibitor = TakeVector(in, "parent-inhibitor");
    state.bestEvolved = TakeVector(in, "best-evolved");

    const std::vector<std::string> rows = in.next("rows", 2);
    if (rows[1] != "elsewhere") {
        const int count = in.whole<int>(rows[1], "the number of rows");
        if (count != state.generationsDone)
            in.fail(std::to_string(count) + " rows for " + std::to_string(state.generationsDone) +
                    " generations");
        state.rows.reserve(static_cast<std::size_t>(count));
        for (int g = 1; g <= count; ++g) {
            const std::vector<std::string> row = in.next("row", 6);
            GenerationRecord record;
            record.generation = in.whole<int>(row[1], "the row's generation");
            if (record.generation != g)
                in.fail("the row of generation " + std::to_string(g) + " was expected here");
            record.evaluations = in.whole<std::int64_t>(row[2], "the row's evaluations");
            record.bestQ = TakeDouble(in, row[3], "the row's best Q");
            record.stepWidth = TakeDouble(in, row[4], "the row's step width");
            record.accepted = in.whole<int>(row[5], "the row's accepted mutants");
            state.rows.push_back(record);
        }
    }
    in.end();
    return state;
}

CampaignState ReadCheckpointFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CheckpointFileError(path, 0, std::string("cannot be read (") + std::strerror(errno) + ")");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw CheckpointFileError(path, 0, "cannot be read");
    return ParseCheckpoint(bytes.str(), path);
}

std::string WriteCheckpointFile(const std::string& path, const CampaignState& state)
{
    const FileError error = WriteWholeFile(path, CheckpointText(state));
    return error ? error.message() : std::string();
}

}  // namespace zarudiv
