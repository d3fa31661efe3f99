#include "campaign/law_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "campaign/campaign.h"
#include "campaign/program_version.h"
#include "edge/exact_real.h"
#include "edge/whole_file.h"

namespace zarudiv {

namespace {

constexpr const char* kMagic = "zarudiv law";
constexpr int kFormat = 1;

}  // namespace

LawRecord LawRecordOf(const CampaignResult& result)
{
    LawRecord record;
    record.law = result.bestLaw;
    record.program = ProgramIdentity();
    record.campaign = result.campaign;
    record.startLaw = result.startLawOrigin;
    record.generation = result.generationsDone;
    record.q = result.bestQ;
    return record;
}

std::string StartLawOrigin(const LawRecord& from, bool lawStep, const std::string& name)
{
    return Hex8(from.checksum) + (lawStep ? " law-step " : " value-step ") + name;
}

std::string LawFileText(const LawRecord& record)
{
    std::string text = std::string(kMagic) + " " + std::to_string(kFormat) + "\n";
    text += "program " + record.program + "\n";
    text += "campaign " + (record.campaign ? RunnerArguments(*record.campaign) : "none") + "\n";
    if (record.startLaw)
        text += "start-law " + *record.startLaw + "\n";
    text += "generation " + std::to_string(record.generation) + "\n";
    text += "q " + ExactReal(record.q) + "\n";
    text += "step " + ExactPair(record.law.step) + "\n";
    const int n = VectorCount(record.law.activator);
    for (int i = 1; i <= n; ++i)
        text += "activator " + std::to_string(i) + " " + ExactPair(record.law.activator[i]) + "\n";
    for (int i = 1; i <= n; ++i)
        text += "inhibitor " + std::to_string(i) + " " + ExactPair(record.law.inhibitor[i]) + "\n";
    return WithChecksum(text);
}

LawRecord ParseLawFile(const std::string& text, const std::string& file)
{
    RecordReader in(text, file, kMagic, kFormat);
    LawRecord record;

    in.next("program");
    record.program = in.rest();
    record.campaign = in.campaign(in.next("campaign"), true);
    if (in.peek("start-law")) {
        in.next("start-law");
        record.startLaw = in.rest();
    }
    record.generation = in.whole<int>(in.next("generation", 2)[1], "the generation");
    if (record.generation < 0)
        in.fail("the generation may not be negative");

    const std::string q = in.next("q", 2)[1];
    const char* qEnd = q.data() + q.size();
    if (const auto [end, error] = std::from_chars(q.data(), qEnd, record.q);
        error != std::errc() || end != qEnd || !std::isfinite(record.q))
        in.fail("the quality \"" + q + "\" is not a finite number");

    const std::vector<std::string> step = in.next("step", 3);
    record.law.step = in.exact(step[1], step[2], "the step width");

    record.law.activator = ZeroVector(kCampaignSites);
    record.law.inhibitor = ZeroVector(kCampaignSites);
    for (const std::string kind : {"activator", "inhibitor"}) {
        TVector& v = kind == "activator" ? record.law.activator : record.law.inhibitor;
        for (int i = 1; i <= kCampaignSites; ++i) {
            const std::vector<std::string> words = in.next(kind);
            if (words.size() != 4)
                in.fail("a coefficient line is \"" + kind + " INDEX HEX DECIMAL\"; this one has " +
                        std::to_string(words.size()) + " words");
            if (words[1] != std::to_string(i))
                in.fail(kind + " coefficient " + std::to_string(i) + " was expected here, not \"" +
                        words[1] + "\" (a law has " + std::to_string(kCampaignSites) +
                        " of each, in order)");
            v[i] = in.exact(words[2], words[3], kind + " coefficient " + std::to_string(i));
        }
    }
    record.checksum = in.end();
    return record;
}

LawRecord ReadLawFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw LawFileError(path, 0, std::string("cannot be read (") + std::strerror(errno) + ")");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw LawFileError(path, 0, "cannot be read");
    return ParseLawFile(bytes.str(), path);
}

std::string WriteLawFile(const std::string& path, const LawRecord& record)
{
    const FileError error = WriteWholeFile(path, LawFileText(record));
    return error ? error.message() : std::string();
}

}  // namespace zarudiv
