#pragma once
// What a campaign is run with: the experiment parameters as the window's
// scroll bars and buttons set them, and how its mutants are evaluated.

#include <cmath>
#include <cstdint>

namespace zarudiv {

// Step widths are set and shown in units of 10^-9 ("ppm" on the screen): a
// scroll-bar position p is the step width p / kStepScale, and a step width s
// is shown as the integer nearest to s * kStepScale. Both in extended
// precision: p * 1e-9 would round differently.
inline constexpr long double kStepScale = 1000000000.0L;

// The step width of a scroll-bar position.
inline long double StepWidthOf(std::int64_t position)
{
    return static_cast<long double>(position) / kStepScale;
}

// The integer a step width is shown as, nearest with halves to even (the
// scroll-bar position it came from).
inline std::int64_t StepPpmOf(long double stepWidth)
{
    return static_cast<std::int64_t>(std::llrint(stepWidth * kStepScale));
}

struct CampaignSettings {
    std::int32_t maxGenerationen = 0;
    std::int32_t maxMutanten = 0;
    long double StartSchrittweite = 0.0L;
    bool saveOption = false;
};

enum class StepKind { Fast, Literal };

// How mutants are evaluated; no choice here changes a single result.
struct EngineOptions {
    unsigned threads = 0;  // 0: all cores; 1: the calling thread only
    StepKind step = StepKind::Fast;
};

}  // namespace zarudiv
