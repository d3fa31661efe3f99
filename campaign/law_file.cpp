#include "campaign/law_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "campaign/campaign.h"
#include "campaign/program_version.h"
#include "edge/crc32.h"
#include "edge/exact_real.h"
#include "edge/extended_real.h"
#include "edge/whole_file.h"

namespace zarudiv {

namespace {

constexpr const char* kMagic = "zarudiv law";
constexpr int kFormat = 1;

std::string Hex8(std::uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string ExactPair(long double value)
{
    return ExtendedHex(value) + " " + ExtendedDecimal(value);
}

// The lines of a text, each without its line end; a text that does not end
// with one has an unfinished last line.
struct Lines {
    std::vector<std::string> lines;
    std::vector<std::size_t> starts;  // where each line begins in the text
    bool unfinished = false;
};

Lines SplitLines(const std::string& text)
{
    Lines result;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        result.starts.push_back(at);
        if (end == std::string::npos) {
            result.lines.push_back(text.substr(at));
            result.unfinished = true;
            break;
        }
        result.lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return result;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

template <typename Integer>
bool ParseInteger(const std::string& text, Integer& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "--generations G --mutants M --step P --seed S [--save]", as RunnerArguments writes it.
std::optional<Campaign> ParseCampaign(const std::vector<std::string>& words)
{
    Campaign c;
    if (words.size() != 9 && words.size() != 10)
        return std::nullopt;
    if (words[1] != "--generations" || !ParseInteger(words[2], c.generations) ||
        words[3] != "--mutants" || !ParseInteger(words[4], c.mutants) || words[5] != "--step" ||
        !ParseInteger(words[6], c.stepPpm) || words[7] != "--seed" ||
        !ParseInteger(words[8], c.seed))
        return std::nullopt;
    if (words.size() == 10) {
        if (words[9] != "--save")
            return std::nullopt;
        c.save = true;
    }
    if (c.generations < 0 || c.mutants < 0 || c.stepPpm < 0)
        return std::nullopt;
    return c;
}

class Reader {
public:
    Reader(const std::string& text, const std::string& file) : file_(file), split_(SplitLines(text)) {}

    [[noreturn]] void fail(const std::string& what) const
    {
        throw LawFileError(file_, line_, what);
    }

    // The next line's words, with the key it must start with.
    std::vector<std::string> next(const char* key, std::size_t count)
    {
        ++line_;
        if (static_cast<std::size_t>(line_) > split_.lines.size())
            fail(std::string("the file ends here; a \"") + key +
                 "\" line was expected (the file is cut short)");
        std::vector<std::string> words = Words(split_.lines[static_cast<std::size_t>(line_ - 1)]);
        if (words.empty() || words[0] != key)
            fail(std::string("a \"") + key + "\" line was expected");
        if (count != 0 && words.size() != count)
            fail(std::string("the \"") + key + "\" line needs " + std::to_string(count - 1) +
                 (count == 2 ? " value" : " values") + ", not " + std::to_string(words.size() - 1));
        return words;
    }

    std::vector<std::string> first()
    {
        line_ = 1;
        if (split_.lines.empty())
            fail("the file is empty; a law file begins with \"zarudiv law 1\"");
        return Words(split_.lines[0]);
    }

    // Whether the next line starts with key.
    bool peek(const char* key) const
    {
        const auto next = static_cast<std::size_t>(line_);
        if (next >= split_.lines.size())
            return false;
        const std::vector<std::string> words = Words(split_.lines[next]);
        return !words.empty() && words[0] == key;
    }

    const std::string& rawLine() const { return split_.lines[static_cast<std::size_t>(line_ - 1)]; }

    // An exact value: its hexadecimal form, and the decimal that form is written as.
    long double exact(const std::string& hex, const std::string& decimal, const char* what)
    {
        const std::optional<long double> value = ParseExtendedHex(hex);
        if (!value)
            fail(std::string(what) + ": \"" + hex + "\" is not an exact hexadecimal value");
        if (!std::isfinite(*value))
            fail(std::string(what) + " is not finite (" + hex + ")");
        if (decimal != ExtendedDecimal(*value))
            fail(std::string(what) + ": the decimal \"" + decimal + "\" is not the exact value " +
                 hex + " (which is " + ExtendedDecimal(*value) + ")");
        return *value;
    }

    void end(const std::string& text)
    {
        const std::size_t checked = static_cast<std::size_t>(line_);
        const std::vector<std::string> words = next("crc32", 2);
        const std::uint32_t actual =
            Crc32(std::string_view(text).substr(0, split_.starts[checked]));
        if (words[1].size() != 8 ||
            words[1].find_first_not_of("0123456789abcdef") != std::string::npos)
            fail("the checksum \"" + words[1] + "\" is not 8 hexadecimal digits");
        checksum_ = static_cast<std::uint32_t>(std::strtoul(words[1].c_str(), nullptr, 16));
        if (checksum_ != actual)
            fail("the checksum does not match: the file was edited or damaged after it was "
                 "written (crc32 " + Hex8(actual) + " of the lines above, the file says " +
                 words[1] + ")");
        if (split_.unfinished)
            fail("the checksum line has no line end (the file is cut short)");
        if (split_.lines.size() > checked + 1) {
            ++line_;
            fail("nothing may follow the checksum line");
        }
    }

    std::uint32_t checksum() const { return checksum_; }

private:
    std::uint32_t checksum_ = 0;
    std::string file_;
    Lines split_;
    int line_ = 0;
};

}  // namespace

namespace {

// "FILE:LINE: what", or "FILE: what" for the file as a whole.
std::string Located(const std::string& file, int line, const std::string& what)
{
    std::string text = file;
    if (line > 0) {
        text += ':';
        text += std::to_string(line);
    }
    text += ": ";
    text += what;
    return text;
}

}  // namespace

LawFileError::LawFileError(const std::string& file, int line, const std::string& what)
    : std::runtime_error(Located(file, line, what)), file_(file), line_(line)
{
}

LawRecord LawRecordOf(const CampaignResult& result)
{
    LawRecord record;
    record.law = result.bestLaw;
    record.program = ProgramIdentity();
    record.campaign = result.campaign;
    record.generation = result.generationsDone;
    record.q = result.bestQ;
    return record;
}

std::string StartLawNote(const LawRecord& from, bool lawStep, const std::string& name)
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
    text += "crc32 " + Hex8(Crc32(text)) + "\n";
    return text;
}

LawRecord ParseLawFile(const std::string& text, const std::string& file)
{
    Reader in(text, file);
    LawRecord record;

    const std::vector<std::string> magic = in.first();
    if (magic.size() != 3 || magic[0] != "zarudiv" || magic[1] != "law")
        in.fail("this is not a law file (it should begin with \"zarudiv law 1\")");
    int format = 0;
    if (!ParseInteger(magic[2], format) || format != kFormat)
        in.fail("a law file of format " + magic[2] + ", which this program does not read (it reads " +
                std::to_string(kFormat) + ")");

    in.next("program", 0);
    record.program = in.rawLine().substr(std::string("program ").size());

    const std::vector<std::string> campaign = in.next("campaign", 0);
    if (!(campaign.size() == 2 && campaign[1] == "none")) {
        record.campaign = ParseCampaign(campaign);
        if (!record.campaign)
            in.fail("the campaign is not \"none\" nor \"--generations G --mutants M --step P --seed "
                    "S\" with an optional \"--save\"");
    }

    if (in.peek("start-law")) {
        in.next("start-law", 0);
        record.startLaw = in.rawLine().substr(std::string("start-law ").size());
    }

    const std::vector<std::string> generation = in.next("generation", 2);
    if (!ParseInteger(generation[1], record.generation) || record.generation < 0)
        in.fail("the generation \"" + generation[1] + "\" is not a whole number of 0 or more");

    const std::vector<std::string> q = in.next("q", 2);
    const char* qEnd = q[1].data() + q[1].size();
    if (const auto [end, error] = std::from_chars(q[1].data(), qEnd, record.q);
        error != std::errc() || end != qEnd || !std::isfinite(record.q))
        in.fail("the quality \"" + q[1] + "\" is not a finite number");

    const std::vector<std::string> step = in.next("step", 3);
    record.law.step = in.exact(step[1], step[2], "the step width");

    record.law.activator = ZeroVector(kCampaignSites);
    record.law.inhibitor = ZeroVector(kCampaignSites);
    for (const char* kind : {"activator", "inhibitor"}) {
        TVector& v = std::strcmp(kind, "activator") == 0 ? record.law.activator
                                                          : record.law.inhibitor;
        for (int i = 1; i <= kCampaignSites; ++i) {
            const std::vector<std::string> words = in.next(kind, 0);
            int index = 0;
            if (words.size() != 4)
                in.fail(std::string("a coefficient line is \"") + kind +
                        " INDEX HEX DECIMAL\"; this one has " + std::to_string(words.size()) +
                        " words");
            if (!ParseInteger(words[1], index) || index != i)
                in.fail(std::string(kind) + " coefficient " + std::to_string(i) +
                        " was expected here, not \"" + words[1] + "\" (a law has " +
                        std::to_string(kCampaignSites) + " of each, in order)");
            v[i] = in.exact(words[2], words[3],
                            (std::string(kind) + " coefficient " + std::to_string(i)).c_str());
        }
    }
    in.end(text);
    record.checksum = in.checksum();
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
