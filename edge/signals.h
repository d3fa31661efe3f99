#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask a program to stop; the handler notes the
// first of them and nothing else of weight, and the program looks at the note
// where it can stop cleanly. A second signal of the same kind takes its
// default action: the process ends at once. A signal the parent ignores stays
// ignored (a shell starts background jobs so that the Ctrl-C meant for the
// foreground passes them by).

namespace zarudiv {

// Called inside the handler, after the note: it may do only what a signal
// handler may (store to a lock-free atomic, write to a pipe).
using StopSignalHook = void (*)(int signal);

struct StopSignalSetup {
    StopSignalHook onSignal = nullptr;
    // A byte is written here on every stop signal, so that an event loop
    // wakes up (the write end of a non-blocking pipe or socket); -1: none.
    int wakeFd = -1;
};

void InstallStopSignals(const StopSignalSetup& setup = {});

// The first stop signal that arrived, or 0.
int StopSignal();

// A write to a pipe whose reader has gone fails with EPIPE instead of ending
// the process: the program says so and still writes its other outputs.
void IgnoreBrokenPipe();

}  // namespace zarudiv
