#pragma once
// The series' progress on a terminal: runs done of the plan's total, the
// time since the start and an estimate of the time left, on one line that is
// redrawn at most a few times a second.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zarudiv {

class ProgressLine {
public:
    // total: the plan's runs; done: those done before this start.
    ProgressLine(bool enabled, std::FILE* err, std::uint64_t total, std::uint64_t done);

    // done, failed: runs stored as done, and as failed, since this start.
    // Failed runs are not done (the next start tries them again), but they
    // are no longer to run.
    void update(std::uint64_t done, std::uint64_t failed);
    // Ends the line, if one was drawn.
    void finish();

private:
    bool enabled_;
    std::FILE* err_;
    std::uint64_t total_;
    std::uint64_t doneBefore_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
    bool drawn_ = false;
};

// "1:02:03" or "2:03".
std::string Duration(double seconds);

}  // namespace zarudiv
