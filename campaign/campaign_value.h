#pragma once
// A campaign as one value: what the window's scroll bars, its save option and
// its seed set, and what the runner's options, a series' run and a journal row
// say. The same value always gives the same campaign, byte for byte.

#include <cmath>
#include <cstdint>
#include <string>

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

struct Campaign {
    std::int32_t generations = 0;  // maxGenerationen
    std::int32_t mutants = 0;      // maxMutanten
    std::int64_t stepPpm = 0;      // the start step width in units of 10^-9 (its scroll-bar position)
    bool save = false;             // saveOption: header, rows and report
    std::uint32_t seed = 0;        // RandSeed when the campaign starts

    // StartSchrittweite: the one conversion of the position to a step width.
    long double startStep() const { return StepWidthOf(stepPpm); }

    friend bool operator==(const Campaign&, const Campaign&) = default;
};

// The runner's options that run the campaign again:
// "--generations G --mutants M --step P --seed S", then " --save" when it saves.
std::string RunnerArguments(const Campaign& campaign);

}  // namespace zarudiv
