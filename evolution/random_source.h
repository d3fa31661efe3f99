#pragma once
// The program's one pseudo-random generator: a 32-bit linear congruential
// recurrence, and the draws built on it. The generator is a value passed to
// whatever draws, so a campaign is a fixed function of its seed.

#include <cstdint>

namespace zarudiv {

class Generator {
public:
    Generator() = default;
    explicit Generator(std::uint32_t seed) : RandSeed(seed) {}

    // Advances the recurrence once and returns the new state.
    std::uint32_t nextState()
    {
        RandSeed = RandSeed * kMultiplier + 1u;
        ++draws;
        return RandSeed;
    }

    // Jumps the recurrence ahead by count steps in O(log count).
    void skip(std::uint64_t count);

    static constexpr std::uint32_t kMultiplier = 134775813u;  // 0x08088405

    std::uint32_t RandSeed = 0;  // the whole state
    std::uint64_t draws = 0;     // steps taken since construction; for tests and audits

    friend bool operator==(const Generator&, const Generator&) = default;
};

// 0..N-1 from the upper 32 bits of state * N (N >= 1). One draw.
std::int32_t Random(Generator& gen, std::int32_t N);
// state * 2^-32, exact in extended precision, in [0, 1). One draw.
long double Random(Generator& gen);
// Seeds from a fast-changing counter (its lower 32 bits), a millisecond clock as fallback.
void Randomize(Generator& gen);
// The seed Randomize would set now.
std::uint32_t ClockSeed();
// +1 or -1 with equal chances (Random(100) >= 50 gives +1). One draw.
std::int32_t RandomSign(Generator& gen);
// +-x/5 in about 80 % of the calls, +-x*5 otherwise. Two draws: the real, then the sign.
long double StepFactor(Generator& gen, double x);

}  // namespace zarudiv
