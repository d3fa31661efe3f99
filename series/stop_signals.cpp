#include "series/stop_signals.h"

#include <atomic>
#include <csignal>

namespace zarudiv {

namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

// Nothing but the note: whatever the interrupted thread was doing (a
// transaction, a memory allocation) must not be entered again from here.
extern "C" void NoteStopSignal(int signal)
{
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
}

}  // namespace

void InstallStopSignals()
{
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    // The first signal asks the series to stop cleanly; a second one of
    // the same kind ends the process at once (the runs stored stay whole).
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM}) {
        // A signal the parent ignores stays ignored: a shell starts
        // background jobs so that Ctrl-C meant for the foreground passes them by.
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int StopSignal() { return g_signal.load(); }

}  // namespace zarudiv
