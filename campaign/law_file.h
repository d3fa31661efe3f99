#pragma once
// The law file: a campaign's evolved law as a small text file that people and
// other programs read back. Every coefficient and the step width are written
// exactly (the 80-bit value in hexadecimal) and, beside it, as a decimal of 21
// significant digits; a CRC-32 line at the end tells a truncated or edited
// file from a whole one.
//
//   zarudiv law 1
//   program zarudiv 0.1 (git 9659224d1e2a)
//   campaign --generations 200 --mutants 10 --step 500 --seed 42 --save
//   start-law 13e9f4c9 law-step best.law   (only when the campaign started from a law)
//   generation 200
//   q 201.38380444138771
//   step 0x8.637bd05af6c69b6p-24 5.00000000000000000007e-07
//   activator 1 0xa.7c5ac471b47842p-17 7.99999999999999999967e-05
//   ...                                  (20 activator lines, then 20 inhibitor lines)
//   inhibitor 20 -0x0p+0 -0
//   crc32 5d3c28a1                        (of every byte before this line)

#include <cstdint>
#include <optional>
#include <string>

#include "campaign/campaign_value.h"
#include "campaign/law.h"
#include "campaign/record_file.h"

namespace zarudiv {

// What a law file says.
struct LawRecord {
    Law law;
    std::string program;               // which program wrote it
    std::optional<Campaign> campaign;  // the campaign it came from; none for a law made elsewhere
    // When that campaign's parent started from a law: "CRC32 law-step|value-step NAME", the
    // start law file's checksum, whose step width was the start step width, and its name.
    std::optional<std::string> startLaw;
    int generation = 0;                // the generations done when it was the best
    double q = 0.0;                    // its quality, as the campaign stored it
    std::uint32_t checksum = 0;        // the crc32 line of a file read back
};

// A law file that cannot be used: what() names the file and the line.
using LawFileError = RecordFileError;

struct CampaignResult;

// The record of a campaign's best law.
LawRecord LawRecordOf(const CampaignResult& result);

// Where a campaign's parent started, as StartLaw::origin and the start-law
// line tell it: the law file `from` (read back, named `name`).
std::string StartLawOrigin(const LawRecord& from, bool lawStep, const std::string& name);

// The file's text for the record.
std::string LawFileText(const LawRecord& record);

// The record of a law file's text; `file` names it in errors. Everything is
// checked: the header, every line in its place, each number (exact, finite,
// its decimal the one its exact value is written as), 20 coefficients of
// each kind, and the checksum. Throws LawFileError.
LawRecord ParseLawFile(const std::string& text, const std::string& file);

// Reads and parses the file. Throws LawFileError (a file that cannot be read
// is line 0).
LawRecord ReadLawFile(const std::string& path);

// Writes the file whole (a temporary file renamed into place; a file in use
// is refused). Returns what went wrong, or "".
std::string WriteLawFile(const std::string& path, const LawRecord& record);

}  // namespace zarudiv
