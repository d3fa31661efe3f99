#include "edge/signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zarudiv {

namespace {

std::atomic<int> g_signal{0};
std::atomic<int> g_wakeFd{-1};
std::atomic<StopSignalHook> g_hook{nullptr};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");
static_assert(std::atomic<StopSignalHook>::is_always_lock_free,
              "the handler may only touch lock-free atomics");

// Whatever the interrupted thread was doing (a transaction, an allocation)
// must not be entered again from here: a note, the hook, a byte.
extern "C" void NoteStopSignal(int signal)
{
    const int savedErrno = errno;
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    if (const StopSignalHook hook = g_hook.load())
        hook(signal);
    if (const int fd = g_wakeFd.load(); fd >= 0) {
        const char byte = 1;
        // A full pipe already holds a byte that wakes the loop.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

void InstallStopSignals(const StopSignalSetup& setup)
{
    g_hook.store(setup.onSignal);
    g_wakeFd.store(setup.wakeFd);
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

int StopSignal() { return g_signal.load(); }

void IgnoreBrokenPipe()
{
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace zarudiv
