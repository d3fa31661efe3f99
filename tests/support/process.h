#pragma once
// Runs a program as a user or a script would: through the shell, in a
// directory of its own, with its output caught in files.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace zarudiv::testing {

struct RunResult {
    int exitCode = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// `cd dir && <prefix> program args`, stdout and stderr into files of dir
// unless `redirect` says otherwise (" >/dev/full", say).
inline RunResult RunProgram(const TempDir& dir, const std::string& program, const std::string& args,
                            const std::string& prefix = "", const std::string& redirect = "")
{
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string outputs =
        redirect.empty() ? " >" + Quote(out) + " 2>" + Quote(err) : redirect;
    const std::string command = "cd " + Quote(dir.path().string()) + " && " + prefix + " " +
                                Quote(program) + " " + args + outputs + " </dev/null";
    const int status = std::system(command.c_str());
    RunResult run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(out);
    run.err = ReadBytes(err);
    return run;
}

}  // namespace zarudiv::testing
