#include "series/progress_line.h"

#include <cmath>

namespace zarudiv {

std::string Duration(double seconds)
{
    const auto whole = static_cast<long long>(std::llround(std::max(0.0, seconds)));
    char text[48];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

ProgressLine::ProgressLine(bool enabled, std::FILE* err, std::uint64_t total, std::uint64_t done)
    : ProgressLine(enabled ? Mode::Terminal : Mode::Off, err, total, done,
                   std::chrono::milliseconds(30000), std::nullopt)
{
}

ProgressLine::ProgressLine(Mode mode, std::FILE* err, std::uint64_t total, std::uint64_t done,
                           std::chrono::milliseconds every, std::optional<double> bestBefore)
    : mode_(mode), err_(err), total_(total), doneBefore_(done), best_(bestBefore), every_(every),
      start_(std::chrono::steady_clock::now()), lastDrawn_(start_)
{
}

// "runs 3 of 40 done, 1 failed, 0:12 elapsed, about 2:28 left"
std::string ProgressLine::text(std::chrono::steady_clock::time_point now) const
{
    const std::uint64_t finished = done_ + failed_;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const std::uint64_t left = total_ - doneBefore_ - finished;
    std::string estimate = "estimating the time left";
    if (finished > 0)
        estimate = "about " +
                   Duration(elapsed / static_cast<double>(finished) * static_cast<double>(left)) +
                   " left";
    std::string line = "runs " + std::to_string(doneBefore_ + done_) + " of " +
                       std::to_string(total_) + " done";
    if (mode_ == Mode::Log)
        line += ", " + std::to_string(running_) + " running";
    if (failed_ > 0 || mode_ == Mode::Log)
        line += ", " + std::to_string(failed_) + " failed";
    return line + ", " + Duration(elapsed) + " elapsed, " + estimate;
}

void ProgressLine::update(std::uint64_t done, std::uint64_t failed)
{
    done_ = done;
    failed_ = failed;
    if (mode_ != Mode::Terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDrawn_ < std::chrono::milliseconds(250) &&
        doneBefore_ + done_ + failed_ < total_)
        return;
    lastDrawn_ = now;
    drawn_ = true;
    std::fprintf(err_, "\r%s\x1b[K", text(now).c_str());
    std::fflush(err_);
}

void ProgressLine::doneWith(double bestQ)
{
    if (!best_ || bestQ < *best_)
        best_ = bestQ;
}

void ProgressLine::writeLogLine(std::chrono::steady_clock::time_point now)
{
    std::string line = text(now);
    if (best_) {
        char q[40];
        std::snprintf(q, sizeof q, "%.10g", *best_);
        line += ", best Q " + std::string(q);
    }
    std::fprintf(err_, "%s\n", line.c_str());
    std::fflush(err_);
    lastDrawn_ = now;
}

void ProgressLine::running(std::uint64_t runs)
{
    running_ = runs;
    if (mode_ != Mode::Log)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDrawn_ >= every_)
        writeLogLine(now);
}

void ProgressLine::finish()
{
    if (mode_ == Mode::Terminal && drawn_) {
        std::fputc('\n', err_);
        std::fflush(err_);
        drawn_ = false;
    }
    if (mode_ == Mode::Log) {
        running_ = 0;
        writeLogLine(std::chrono::steady_clock::now());
    }
}

}  // namespace zarudiv
