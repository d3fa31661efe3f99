#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "evolution/random_source.h"

namespace {

using zarudiv::Generator;

TEST(GeneratorTest, FollowsTheRecurrence)
{
    Generator gen(0);
    EXPECT_EQ(gen.nextState(), 1u);
    EXPECT_EQ(gen.nextState(), 134775814u);
    // (134775814 * 134775813 + 1) mod 2^32, worked out by hand in 64 bits.
    const std::uint64_t third = (134775814ull * 134775813ull + 1ull) % (1ull << 32);
    EXPECT_EQ(gen.nextState(), static_cast<std::uint32_t>(third));
    EXPECT_EQ(gen.draws, 3u);
}

TEST(GeneratorTest, WrapsModulo2To32)
{
    Generator gen(0xFFFFFFFFu);
    // (2^32 - 1) * 134775813 + 1 = -134775813 + 1 (mod 2^32)
    EXPECT_EQ(gen.nextState(), static_cast<std::uint32_t>(0u - 134775812u));
}

TEST(GeneratorTest, SkipEqualsSteppingOneByOne)
{
    for (std::uint64_t count : {0ull, 1ull, 2ull, 7ull, 84ull, 1000ull, 123457ull}) {
        Generator stepped(2024u);
        for (std::uint64_t i = 0; i < count; ++i)
            stepped.nextState();
        Generator skipped(2024u);
        skipped.skip(count);
        EXPECT_EQ(skipped, stepped) << count;
    }
}

TEST(RandomTest, FirstDrawsFromSeedZero)
{
    Generator gen(0);
    EXPECT_EQ(zarudiv::Random(gen), std::ldexp(1.0L, -32));
    Generator again(0);
    EXPECT_EQ(zarudiv::Random(again, 100), 0);
}

TEST(RandomTest, IntegerFormTakesTheUpperHalfOfTheProduct)
{
    // Seeds chosen so that the next state is a given value s: the recurrence
    // is invertible, so walk back one step from s.
    const auto before = [](std::uint32_t s) {
        // 134775813 * 3645876429 = 1 (mod 2^32)
        constexpr std::uint32_t kInverse = 3645876429u;
        static_assert(static_cast<std::uint32_t>(134775813u * kInverse) == 1u);
        return static_cast<std::uint32_t>((s - 1u) * kInverse);
    };
    struct Case {
        std::uint32_t state;
        std::int32_t range;
        std::int32_t expected;
    };
    for (const Case& c : {Case{0xFFFFFFFFu, 100, 99}, Case{2147483648u, 100, 50},
                          Case{2147483647u, 100, 49}, Case{0u, 100, 0}, Case{0xFFFFFFFFu, 1, 0},
                          Case{1u << 30, 8, 2}}) {
        Generator gen(before(c.state));
        EXPECT_EQ(zarudiv::Random(gen, c.range), c.expected) << c.state;
        EXPECT_EQ(gen.RandSeed, c.state);
    }
    Generator plus(before(2147483648u));
    EXPECT_EQ(zarudiv::RandomSign(plus), 1);
    Generator minus(before(2147483647u));
    EXPECT_EQ(zarudiv::RandomSign(minus), -1);
}

TEST(RandomTest, RealFormIsAnExactMultipleOf2ToMinus32)
{
    Generator gen(12345u);
    for (int i = 0; i < 1000; ++i) {
        const long double r = zarudiv::Random(gen);
        ASSERT_GE(r, 0.0L);
        ASSERT_LT(r, 1.0L);
        EXPECT_EQ(r * 4294967296.0L, static_cast<long double>(gen.RandSeed));
    }
}

std::uint32_t SeedBefore(std::uint32_t state)
{
    constexpr std::uint32_t kInverse = 3645876429u;
    return static_cast<std::uint32_t>((state - 1u) * kInverse);
}

TEST(StepFactorTest, DividesUpToFourFifthsAndMultipliesAbove)
{
    // 0.8 * 2^32 = 3435973836.8: the state 3435973836 still divides.
    Generator divide(SeedBefore(3435973836u));
    const long double small = zarudiv::StepFactor(divide, 1.0);
    EXPECT_TRUE(small == 0.2L || small == -0.2L);
    EXPECT_EQ(std::fabs(small), 1.0L / 5.0L);

    Generator multiply(SeedBefore(3435973837u));
    const long double large = zarudiv::StepFactor(multiply, 1.0);
    EXPECT_EQ(std::fabs(large), 5.0L);
    EXPECT_EQ(divide.draws, 2u);
    EXPECT_EQ(multiply.draws, 2u);
}

TEST(StepFactorTest, TakesTheSignFromTheSecondDraw)
{
    Generator gen(77u);
    Generator probe = gen;
    zarudiv::Random(probe);
    const std::int32_t sign = zarudiv::RandomSign(probe);
    const long double factor = zarudiv::StepFactor(gen, 2.0);
    EXPECT_EQ(factor > 0, sign > 0);
    EXPECT_EQ(gen, probe);
}

TEST(StepFactorTest, YieldsExactlyFourValuesForOne)
{
    std::set<long double> seen;
    Generator gen(99u);
    for (int i = 0; i < 2000; ++i)
        seen.insert(zarudiv::StepFactor(gen, 1.0));
    EXPECT_EQ(seen, (std::set<long double>{-5.0L, -1.0L / 5.0L, 1.0L / 5.0L, 5.0L}));
}

TEST(RandomizeTest, SeedsFromAClockThatMoves)
{
    Generator a;
    zarudiv::Randomize(a);
    std::set<std::uint32_t> seeds{a.RandSeed};
    for (int i = 0; i < 5; ++i)
        seeds.insert(zarudiv::ClockSeed());
    EXPECT_GT(seeds.size(), 1u);
    EXPECT_EQ(a.draws, 0u);
}

}  // namespace
