#pragma once
// Small text files that this program writes and reads back (laws,
// checkpoints): one "key value..." line each, exact reals beside their
// decimals, and a closing CRC-32 line of every byte before it. The reader
// checks every line in its place and names the file and the line of what is
// wrong.

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "campaign/campaign_value.h"

namespace zarudiv {

// A file that cannot be used: what() is "FILE:LINE: what" ("FILE: what" for
// the file as a whole).
class RecordFileError : public std::runtime_error {
public:
    RecordFileError(const std::string& file, int line, const std::string& what);
    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

// "HEX DECIMAL": the 80-bit value exactly, and with 21 significant digits.
std::string ExactPair(long double value);
// Eight lowercase hexadecimal digits.
std::string Hex8(std::uint32_t value);
// The text with its closing "crc32 XXXXXXXX" line.
std::string WithChecksum(std::string text);

// "--generations G --mutants M --step P --seed S [--save]" after a key.
std::optional<Campaign> ParseRunnerArguments(const std::vector<std::string>& words, std::size_t from);

class RecordReader {
public:
    // magic: the first line's two words ("zarudiv law"); format: the one
    // number after them this program reads.
    RecordReader(const std::string& text, const std::string& file, const std::string& magic,
                 int format);

    [[noreturn]] void fail(const std::string& what) const;

    // The next line's words; it must start with key and, unless count is 0,
    // have count words.
    std::vector<std::string> next(const std::string& key, std::size_t count = 0);
    // Whether the next line starts with key.
    bool peek(const std::string& key) const;
    // The current line after its key.
    std::string rest() const;
    // An exact value: its hexadecimal form and the decimal that form is written as.
    long double exact(const std::string& hex, const std::string& decimal, const std::string& what) const;
    // A whole number of the current line.
    template <typename Integer>
    Integer whole(const std::string& text, const std::string& what) const;
    // The campaign after the key of the current line ("none" allowed when noneAllowed).
    std::optional<Campaign> campaign(const std::vector<std::string>& words, bool noneAllowed) const;
    // The closing checksum line; nothing may follow it. Returns the checksum.
    std::uint32_t end();

private:
    std::string text_;
    std::string file_;
    std::vector<std::string> lines_;
    std::vector<std::size_t> starts_;  // where each line begins in the text
    bool unfinished_ = false;          // the last line has no line end
    int line_ = 0;
};

bool ParseWholeText(const std::string& text, long long& value);

template <typename Integer>
Integer RecordReader::whole(const std::string& text, const std::string& what) const
{
    long long value = 0;
    if (!ParseWholeText(text, value) || value < static_cast<long long>(std::numeric_limits<Integer>::min()) ||
        (value > 0 && static_cast<unsigned long long>(value) >
                          static_cast<unsigned long long>(std::numeric_limits<Integer>::max())))
        fail(what + " \"" + text + "\" is not a whole number in range");
    return static_cast<Integer>(value);
}

}  // namespace zarudiv
