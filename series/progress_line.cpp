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
    : enabled_(enabled), err_(err), total_(total), doneBefore_(done),
      start_(std::chrono::steady_clock::now())
{
}

void ProgressLine::update(std::uint64_t done, std::uint64_t failed)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t finished = done + failed;
    if (drawn_ && now - lastDrawn_ < std::chrono::milliseconds(250) &&
        doneBefore_ + finished < total_)
        return;
    lastDrawn_ = now;
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const std::uint64_t left = total_ - doneBefore_ - finished;
    std::string estimate = "estimating the time left";
    if (finished > 0)
        estimate = "about " +
                   Duration(elapsed / static_cast<double>(finished) * static_cast<double>(left)) +
                   " left";
    std::string failedText;
    if (failed > 0)
        failedText = ", " + std::to_string(failed) + " failed";
    std::fprintf(err_, "\rruns %llu of %llu done%s, %s elapsed, %s\x1b[K",
                 static_cast<unsigned long long>(doneBefore_ + done),
                 static_cast<unsigned long long>(total_), failedText.c_str(),
                 Duration(elapsed).c_str(), estimate.c_str());
    std::fflush(err_);
}

void ProgressLine::finish()
{
    if (enabled_ && drawn_) {
        std::fputc('\n', err_);
        std::fflush(err_);
        drawn_ = false;
    }
}

}  // namespace zarudiv
