#pragma once
// The journal of the window's campaigns: one CSV row per " EVOLUTION", beside
// the protocol, with what it takes to run the same campaign again in the
// runner (zarudiv-run --generations G --mutants M --step P --seed S [--save]).
// UTF-8, a header row when the file is new, only ever appended to.

#include <cstdint>
#include <optional>
#include <string>

#include "campaign/campaign_value.h"

namespace zarudiv {

struct JournalEntry {
    std::string started;  // ISO 8601 local time with its offset from UTC
    Campaign campaign;  // with its seed
    std::string outcome;  // "done", "stopped" or "failed"
    int generationsDone = 0;
    std::optional<double> bestQ;  // none when no generation was finished
    std::string message;          // the error's text, else empty
    std::string protocol;
    std::string law;  // the best law's file, when one was written
    std::string checkpoint;  // a stopped campaign's checkpoint, when one was written
};

inline constexpr const char* kJournalHeader =
    "started,seed,generations,mutants,step_ppm,save,outcome,generations_done,best_q,message,"
    "protocol,law,checkpoint";

// The journal beside a protocol: "C:/QX_000_000.doc" -> "C:/zarudiv-journal.csv".
std::string JournalPathFor(const std::string& protocol);

// Where the window keeps a campaign's best law: beside the journal, named
// after the campaign's start and seed:
// "C:/zarudiv-journal.csv" -> "C:/zarudiv-law-20261208T134802-1838452248.law".
std::string LawPathFor(const std::string& journal, const JournalEntry& entry);
// The same for a stopped campaign's checkpoint: "C:/zarudiv-checkpoint-20261208T134802-1838452248.ckpt".
std::string CheckpointPathFor(const std::string& journal, const JournalEntry& entry);

// The entry as one CSV line (no line end); text fields are quoted where they
// need it.
std::string JournalRow(const JournalEntry& entry);

// Appends the entry (and the header first, to a new or empty file): the
// row is whole or, when the disk is full, not there at all. Returns an error
// text, or "" when the row is written.
std::string AppendToJournal(const std::string& path, const JournalEntry& entry);

// The runner's command line that writes the entry's protocol again (from its
// second line on: the first names the file).
std::string RepeatCommand(const JournalEntry& entry);

// Now, as the journal's `started` column writes it.
std::string JournalTimeNow();

}  // namespace zarudiv
