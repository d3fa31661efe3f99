#pragma once
// A run replayed from its seed: the campaign the runner runs for
//   zarudiv-run --generations G --mutants M --step P --seed S --save --plots DIR
// with the same pictures (the eight image areas, as PNG files byte for byte)
// and the same protocol from its second line on (the first names the file,
// here the name the series gives it). Needs a QGuiApplication, as the
// runner's pictures do.

#include <string>
#include <utility>
#include <vector>

#include "campaign/campaign.h"
#include "series/plan.h"

namespace zarudiv {

struct ReplayResult {
    bool stopped = false;
    std::string error;  // the campaign's own error, or ""
    double bestQ = 0.0;
    // ("Image1", PNG bytes), ... in the runner's order.
    std::vector<std::pair<std::string, std::string>> pictures;
    std::string protocol;  // Windows-1252, CRLF
};

// Replays on one thread. Its temporary files are removed before it returns.
// stop ends it at the end of a generation (stopped is then true).
ReplayResult ReplayRun(const RunKey& key, const StopRequest& stop);

// The runner's command line that makes the same pictures in DIR.
std::string ReplayCommandLine(const RunKey& key);

}  // namespace zarudiv
