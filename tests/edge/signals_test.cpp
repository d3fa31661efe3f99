// The stop signals in a child process: the first is noted (and wakes a
// pipe), a second of the same kind ends the process, and a signal the parent
// ignored stays ignored.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "edge/signals.h"

namespace {

std::atomic<int> g_hooked{0};
void Hook(int signal) { g_hooked.store(signal); }

// 0 for none, 1 for SIGINT, 2 for SIGTERM.
constexpr int Index(int signal) { return signal == SIGINT ? 1 : signal == SIGTERM ? 2 : 0; }
constexpr int Code(int noted, int hooked, int woken) { return Index(noted) * 16 + Index(hooked) * 4 + woken; }

struct Case {
    const char* name;
    std::vector<int> ignoredBefore;  // as a shell's `trap '' INT`
    std::vector<int> sent;
    int exitCode;      // the child's: Code(noted, hooked, bytes woken)
    int killedBy = 0;  // or the signal that ended it
};

const Case kCases[] = {
    {"one SIGINT is noted", {}, {SIGINT}, Code(SIGINT, SIGINT, 1)},
    {"one SIGTERM is noted", {}, {SIGTERM}, Code(SIGTERM, SIGTERM, 1)},
    {"the first of two kinds is kept", {}, {SIGTERM, SIGINT}, Code(SIGTERM, SIGINT, 2)},
    {"a second of one kind ends the process", {}, {SIGINT, SIGINT}, 0, SIGINT},
    {"an ignored signal stays ignored", {SIGINT}, {SIGINT, SIGINT}, 0},
    {"the other one still stops", {SIGINT}, {SIGINT, SIGTERM}, Code(SIGTERM, SIGTERM, 1)},
};

int RunChild(const Case& c)
{
    for (int signal : c.ignoredBefore)
        ::signal(signal, SIG_IGN);
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK) != 0)
        return 99;
    zarudiv::InstallStopSignals({Hook, wake[1]});
    for (int signal : c.sent)
        ::raise(signal);
    char bytes[8];
    const ssize_t woken = ::read(wake[0], bytes, sizeof bytes);
    return Code(zarudiv::StopSignal(), g_hooked.load(), static_cast<int>(woken < 0 ? 0 : woken));
}

TEST(SignalsTest, StopSignalsAreNotedOnceAndTheSecondEndsTheProcess)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(RunChild(c));
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (c.killedBy != 0) {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), c.killedBy);
        } else {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
        }
    }
}

}  // namespace

