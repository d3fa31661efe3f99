#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask a series to stop. The handler only notes the
// signal; the coordinator reads it while it waits for runs, which takes a
// tenth of a second at most. A second signal of the same kind takes its
// default action: the process ends at once.

namespace zarudiv {

void InstallStopSignals();
// The first stop signal that arrived, or 0.
int StopSignal();

}  // namespace zarudiv
