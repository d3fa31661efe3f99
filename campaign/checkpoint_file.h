#pragma once
// The checkpoint file: a campaign's state at a generation boundary
// (campaign_state.h), exact and checked, so that a campaign continued from it
// gives the bytes of the unbroken campaign.
//
//   zarudiv checkpoint 1
//   program zarudiv 0.1 (git 9659224d1e2a)
//   campaign --generations 10000 --mutants 36 --step 99 --seed 1838452248 --save
//   start-law 13e9f4c9 law-step best.law     (only when the parent started from a law)
//   start-step HEX DECIMAL
//   generation 613
//   generator RANDSEED DRAWS
//   best-q 210.55122560650001
//   accepted 4123
//   parent-step HEX DECIMAL
//   parent-activator 1 HEX DECIMAL ... 20, parent-inhibitor 1 ... 20, best-evolved 1 ... 20
//   rows 613                                 (then one "row" line per generation:)
//   row 1 36 8126.1839711211305 9.8999999999999999e-08 2
//   ...
//   crc32 5d3c28a1

#include <string>

#include "campaign/campaign_state.h"
#include "campaign/record_file.h"

namespace zarudiv {

using CheckpointFileError = RecordFileError;

// The file's text. Without rows (a series keeps them in its generations
// table) the file says "rows elsewhere" and has none.
std::string CheckpointText(const CampaignState& state, bool withRows = true);

// The state of a checkpoint's text; `file` names it in errors. Everything is
// checked as for a law file, and the program version that wrote it must be
// this one's. Throws CheckpointFileError. A text without rows gives a state
// without rows.
CampaignState ParseCheckpoint(const std::string& text, const std::string& file);

// Reads and parses the file (a file that cannot be read is line 0).
CampaignState ReadCheckpointFile(const std::string& path);

// Writes the file whole: a temporary file, synced and renamed into place.
// Returns what went wrong, or "".
std::string WriteCheckpointFile(const std::string& path, const CampaignState& state);

}  // namespace zarudiv
