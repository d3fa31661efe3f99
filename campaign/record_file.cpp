#include "campaign/record_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "edge/crc32.h"
#include "edge/extended_real.h"

namespace zarudiv {

namespace {

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

}  // namespace

RecordFileError::RecordFileError(const std::string& file, int line, const std::string& what)
    : std::runtime_error(Located(file, line, what)), file_(file), line_(line)
{
}

std::string ExactPair(long double value) { return ExtendedHex(value) + " " + ExtendedDecimal(value); }

std::string Hex8(std::uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string WithChecksum(std::string text)
{
    const std::uint32_t crc = Crc32(text);
    return text + "crc32 " + Hex8(crc) + "\n";
}

bool ParseWholeText(const std::string& text, long long& value) { return ParseInteger(text, value); }

std::optional<Campaign> ParseRunnerArguments(const std::vector<std::string>& words, std::size_t from)
{
    Campaign c;
    const std::size_t n = words.size() - from;
    if (words.size() < from || (n != 8 && n != 9))
        return std::nullopt;
    const auto at = [&](std::size_t i) -> const std::string& { return words[from + i]; };
    if (at(0) != "--generations" || !ParseInteger(at(1), c.generations) || at(2) != "--mutants" ||
        !ParseInteger(at(3), c.mutants) || at(4) != "--step" || !ParseInteger(at(5), c.stepPpm) ||
        at(6) != "--seed" || !ParseInteger(at(7), c.seed))
        return std::nullopt;
    if (n == 9) {
        if (at(8) != "--save")
            return std::nullopt;
        c.save = true;
    }
    if (c.generations < 0 || c.mutants < 0 || c.stepPpm < 0)
        return std::nullopt;
    return c;
}

RecordReader::RecordReader(const std::string& text, const std::string& file,
                           const std::string& magic, int format)
    : text_(text), file_(file)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        starts_.push_back(at);
        if (end == std::string::npos) {
            lines_.push_back(text.substr(at));
            unfinished_ = true;
            break;
        }
        lines_.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    line_ = 1;
    const std::string expected = magic + " " + std::to_string(format);
    if (lines_.empty())
        fail("the file is empty; it should begin with \"" + expected + "\"");
    const std::vector<std::string> words = Words(lines_[0]);
    std::string kind = magic.substr(magic.find(' ') + 1);
    if (words.size() != 3 || words[0] + " " + words[1] != magic)
        fail("this is not a " + kind + " file (it should begin with \"" + expected + "\")");
    int found = 0;
    if (!ParseInteger(words[2], found) || found != format)
        fail("a " + kind + " file of format " + words[2] +
             ", which this program does not read (it reads " + std::to_string(format) + ")");
}

void RecordReader::fail(const std::string& what) const { throw RecordFileError(file_, line_, what); }

std::vector<std::string> RecordReader::next(const std::string& key, std::size_t count)
{
    ++line_;
    if (static_cast<std::size_t>(line_) > lines_.size())
        fail("the file ends here; a \"" + key + "\" line was expected (the file is cut short)");
    std::vector<std::string> words = Words(lines_[static_cast<std::size_t>(line_ - 1)]);
    if (words.empty() || words[0] != key)
        fail("a \"" + key + "\" line was expected");
    if (count != 0 && words.size() != count)
        fail("the \"" + key + "\" line needs " + std::to_string(count - 1) +
             (count == 2 ? " value" : " values") + ", not " + std::to_string(words.size() - 1));
    return words;
}

bool RecordReader::peek(const std::string& key) const
{
    const auto next = static_cast<std::size_t>(line_);
    if (next >= lines_.size())
        return false;
    const std::vector<std::string> words = Words(lines_[next]);
    return !words.empty() && words[0] == key;
}

std::string RecordReader::rest() const
{
    const std::string& line = lines_[static_cast<std::size_t>(line_ - 1)];
    const std::size_t blank = line.find(' ');
    return blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

long double RecordReader::exact(const std::string& hex, const std::string& decimal,
                                const std::string& what) const
{
    const std::optional<long double> value = ParseExtendedHex(hex);
    if (!value)
        fail(what + ": \"" + hex + "\" is not an exact hexadecimal value");
    if (!std::isfinite(*value))
        fail(what + " is not finite (" + hex + ")");
    if (decimal != ExtendedDecimal(*value))
        fail(what + ": the decimal \"" + decimal + "\" is not the exact value " + hex +
             " (which is " + ExtendedDecimal(*value) + ")");
    return *value;
}

std::optional<Campaign> RecordReader::campaign(const std::vector<std::string>& words,
                                               bool noneAllowed) const
{
    if (noneAllowed && words.size() == 2 && words[1] == "none")
        return std::nullopt;
    std::optional<Campaign> c = ParseRunnerArguments(words, 1);
    if (!c)
        fail(std::string("the campaign is not ") + (noneAllowed ? "\"none\" nor " : "") +
             "\"--generations G --mutants M --step P --seed S\" with an optional \"--save\"");
    return c;
}

std::uint32_t RecordReader::end()
{
    const auto checked = static_cast<std::size_t>(line_);
    const std::vector<std::string> words = next("crc32", 2);
    const std::uint32_t actual = Crc32(std::string_view(text_).substr(0, starts_[checked]));
    if (words[1].size() != 8 || words[1].find_first_not_of("0123456789abcdef") != std::string::npos)
        fail("the checksum \"" + words[1] + "\" is not 8 hexadecimal digits");
    const auto stated = static_cast<std::uint32_t>(std::strtoul(words[1].c_str(), nullptr, 16));
    if (stated != actual)
        fail("the checksum does not match: the file was edited or damaged after it was written "
             "(crc32 " + Hex8(actual) + " of the lines above, the file says " + words[1] + ")");
    if (unfinished_)
        fail("the checksum line has no line end (the file is cut short)");
    if (lines_.size() > checked + 1) {
        ++line_;
        fail("nothing may follow the checksum line");
    }
    return stated;
}

}  // namespace zarudiv
