#pragma once
// Runs the built executables as a user or a script would: through the shell,
// in a given directory, with stdout and stderr caught in files, or in the
// background while the test goes on.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

namespace zarudiv::testing {

struct ProcessResult {
    int exitCode = -1;  // -1: it did not exit normally
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// "cd DIR && exec COMMAND >DIR/name.out 2>DIR/name.err </dev/null"
inline std::string ShellLine(const TempDir& dir, const std::string& command, const std::string& name)
{
    return "cd " + Quote(dir.path().string()) + " && exec " + command + " >" +
           Quote(dir.file(name + ".out")) + " 2>" + Quote(dir.file(name + ".err")) + " </dev/null";
}

inline ProcessResult Outcome(const TempDir& dir, int status, const std::string& name)
{
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadBytes(dir.file(name + ".out"));
    result.err = ReadBytes(dir.file(name + ".err"));
    return result;
}

// `cd dir && <prefix> program args`, stdout and stderr into dir's stdout.txt
// and stderr.txt unless `redirect` says where (" >/dev/full 2>file", say).
using RunResult = ProcessResult;
inline RunResult RunProgram(const TempDir& dir, const std::string& program, const std::string& args,
                            const std::string& prefix = "", const std::string& redirect = "")
{
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string outputs = redirect.empty() ? " >" + Quote(out) + " 2>" + Quote(err) : redirect;
    const std::string command = "cd " + Quote(dir.path().string()) + " && " + prefix + " " +
                                Quote(program) + " " + args + outputs + " </dev/null";
    const int status = std::system(command.c_str());
    RunResult run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
}

inline ProcessResult RunProcess(const TempDir& dir, const std::string& command,
                                const std::string& name = "process")
{
    const int status = std::system(ShellLine(dir, command, name).c_str());
    return Outcome(dir, status, name);
}

// The command with its stdout a pipe that nobody reads any more, as `| head`
// leaves it once head has gone; stderr into dir's name.err. A process that a
// signal ended gives 128 + the signal, as a shell says.
inline ProcessResult RunIntoClosedPipe(const TempDir& dir, const std::string& command,
                                       const std::string& name = "closed")
{
    int channel[2];
    if (::pipe(channel) != 0)
        return ProcessResult{};
    const std::string line = "cd " + Quote(dir.path().string()) + " && exec " + command + " 2>" +
                             Quote(dir.file(name + ".err")) + " </dev/null";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(channel[1], STDOUT_FILENO);
        ::close(channel[0]);
        ::close(channel[1]);
        ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(channel[0]);
    ::close(channel[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.err = ReadBytes(dir.file(name + ".err"));
    return result;
}

// A process that runs while the test goes on; the shell execs the command,
// so the pid is the command's own.
class BackgroundProcess {
public:
    BackgroundProcess(const TempDir& dir, const std::string& command, std::string name = "background")
        : dir_(dir), name_(std::move(name))
    {
        const std::string line = ShellLine(dir, command, name_);
        pid_ = ::fork();
        if (pid_ == 0) {
            // As a terminal's foreground job: signals at their defaults, even
            // when the tests were started in the background.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~BackgroundProcess()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) const { ::kill(pid_, number); }
    // True while the process has not ended.
    bool running() const
    {
        if (waited_)
            return false;
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }
    // The result, or nothing when the process still runs after `limit`: a
    // test that must not hang waits this way.
    std::optional<ProcessResult> waitFor(std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (running())
            return std::nullopt;
        return wait();
    }
    ProcessResult wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return Outcome(dir_, status, name_);
    }

private:
    const TempDir& dir_;
    std::string name_;
    pid_t pid_ = -1;
    bool waited_ = false;
};

}  // namespace zarudiv::testing
