#pragma once
// The runner's law options: --evaluate FILE (a law put back into the model),
// --start-law FILE (a campaign whose parent starts from a law) and --law-out
// FILE (the campaign's best law written out).

#include <optional>
#include <string>

#include "campaign/campaign.h"
#include "campaign/law_file.h"

namespace zarudiv {

class TerminalDisplay;
struct RunnerOptions;

// --evaluate with the law file read: prints Q and the developed vector on stdout; with --plots draws
// the law, its spectra and the start, target and developed vectors onto the
// display's image areas (saved by the caller); with --protocol writes the
// data-analysis report of the developed vector. Returns the exit code; the
// messages are on stderr.
int RunEvaluateCommand(const RunnerOptions& options, const LawRecord& record,
                       TerminalDisplay& display);

}  // namespace zarudiv
