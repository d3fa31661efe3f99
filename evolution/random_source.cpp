#include "evolution/random_source.h"

#include <time.h>

namespace zarudiv {

void Generator::skip(std::uint64_t count)
{
    // Compose the affine map s -> a*s + c with itself by squaring.
    std::uint32_t mulAcc = 1u;
    std::uint32_t addAcc = 0u;
    std::uint32_t mul = kMultiplier;
    std::uint32_t add = 1u;
    for (std::uint64_t left = count; left != 0; left >>= 1) {
        if (left & 1u) {
            mulAcc *= mul;
            addAcc = addAcc * mul + add;
        }
        add = add * mul + add;
        mul *= mul;
    }
    RandSeed = RandSeed * mulAcc + addAcc;
    draws += count;
}

std::int32_t Random(Generator& gen, std::int32_t N)
{
    const std::uint64_t s = gen.nextState();
    return static_cast<std::int32_t>((s * static_cast<std::uint32_t>(N)) >> 32);
}

long double Random(Generator& gen)
{
    // 2^-32 as a double; the product with a 32-bit integer is exact in extended.
    constexpr double kTwoToMinus32 = 2.3283064365386963e-10;
    return static_cast<long double>(gen.nextState()) * kTwoToMinus32;
}

std::uint32_t ClockSeed()
{
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &now) == 0 || clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        const auto ns = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
                        static_cast<std::uint64_t>(now.tv_nsec);
        return static_cast<std::uint32_t>(ns);
    }
    // Fallback: a millisecond clock.
    if (clock_gettime(CLOCK_REALTIME, &now) == 0)
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                          static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
    return 0u;
}

void Randomize(Generator& gen)
{
    gen.RandSeed = ClockSeed();
}

std::int32_t RandomSign(Generator& gen)
{
    return Random(gen, 100) >= 50 ? 1 : -1;
}

long double StepFactor(Generator& gen, double x)
{
    const long double r = Random(gen);
    const long double sigma = static_cast<long double>(RandomSign(gen));
    if (r <= 0.8L)
        return (sigma * x) / 5.0L;
    return (sigma * x) * 5.0L;
}

}  // namespace zarudiv
