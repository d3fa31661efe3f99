#pragma once
// The series' progress: on a terminal, runs done of the plan's total, the
// time since the start and an estimate of the time left, on one line that is
// redrawn at most a few times a second; in a log (a file, a batch job's
// output), a line every so often that also says how many runs are in flight
// and the best Q so far.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace zarudiv {

class ProgressLine {
public:
    enum class Mode { Off, Terminal, Log };

    // total: the plan's runs; done: those done before this start.
    ProgressLine(bool enabled, std::FILE* err, std::uint64_t total, std::uint64_t done);
    // every: a log's lines come this often; bestBefore: the best final Q of
    // the runs done before.
    ProgressLine(Mode mode, std::FILE* err, std::uint64_t total, std::uint64_t done,
                 std::chrono::milliseconds every, std::optional<double> bestBefore);

    // done, failed: runs stored as done, and as failed, since this start.
    // Failed runs are not done (the next start tries them again), but they
    // are no longer to run.
    void update(std::uint64_t done, std::uint64_t failed);
    // A run stored as done with this final Q.
    void doneWith(double bestQ);
    // Runs in flight now; a log's line is written when it is due.
    void running(std::uint64_t runs);
    // Ends the line, if one was drawn; a log gets its last line.
    void finish();

private:
    std::string text(std::chrono::steady_clock::time_point now) const;
    void writeLogLine(std::chrono::steady_clock::time_point now);

    Mode mode_;
    std::FILE* err_;
    std::uint64_t total_;
    std::uint64_t doneBefore_;
    std::uint64_t done_ = 0;
    std::uint64_t failed_ = 0;
    std::uint64_t running_ = 0;
    std::optional<double> best_;
    std::chrono::milliseconds every_{30000};
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
    bool drawn_ = false;
};

// "1:02:03" or "2:03".
std::string Duration(double seconds);

}  // namespace zarudiv
