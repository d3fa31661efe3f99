// The rank tests, Holm, A12 and the bootstrap on small cases worked out by
// hand. The comparison with scipy on larger ones is tools/check_statistics.py.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/bootstrap.h"
#include "analysis/effect_size.h"
#include "analysis/holm.h"
#include "analysis/omnibus_tests.h"
#include "analysis/signed_rank_test.h"
#include "analysis/split_mix.h"

namespace {

using namespace zarudiv;

// Two-sided normal tail for |z| = distance / sqrt(variance), written out.
double NormalP(double distance, double variance)
{
    return std::erfc(distance / std::sqrt(variance) / std::sqrt(2.0));
}

TEST(StatisticsTest, SignedRankCountsAreTheSubsetSumsOfTheRanks)
{
    // {1,2,3}: sums 0 {}, 1, 2, 3 {3} {1,2}, 4 {1,3}, 5 {2,3}, 6 {1,2,3}.
    EXPECT_EQ(SignedRankCounts(3), (std::vector<unsigned long long>{1, 1, 1, 2, 1, 1, 1}));
    EXPECT_EQ(SignedRankCounts(4), (std::vector<unsigned long long>{1, 1, 1, 2, 2, 2, 2, 2, 1, 1, 1}));
    // Every subset once; symmetric about n(n+1)/4.
    const auto counts = SignedRankCounts(50);
    unsigned long long total = 0;
    for (unsigned long long c : counts)
        total += c;
    EXPECT_EQ(total, 1ULL << 50);
    for (std::size_t w = 0; w < counts.size(); ++w)
        EXPECT_EQ(counts[w], counts[counts.size() - 1 - w]) << w;
}

TEST(StatisticsTest, WilcoxonSignedRankByHand)
{
    struct Case {
        const char* name;
        std::vector<long double> differences;
        std::size_t zeros, n;
        double wPlus, wMinus;
        bool exact;
        double p;
    };
    const std::vector<Case> cases = {
        // Ranks 1..5 all positive: only the empty set has W- = 0 -> 2/32.
        {"all positive", {1, 2, 3, 4, 5}, 0, 5, 15, 0, true, 2.0 / 32},
        // W- = 2: subsets with sum <= 2 are {}, {1}, {2} -> 2 * 3/32.
        {"one negative", {1, -2, 3, 4, 5}, 0, 5, 13, 2, true, 6.0 / 32},
        // Zeros are left out: n = 3, W+ = 6 -> 2 * 1/8.
        {"zeros", {0, 3, 0, 1, 2}, 2, 3, 6, 0, true, 0.25},
        // W+ = 5 of 10 at n = 4: both tails hold more than half -> 1.
        {"centre", {1, -2, -3, 4}, 0, 4, 5, 5, true, 1.0},
        // |d| = 1, 1 tie (ranks 1.5, 1.5), then 3, 4, 5; W- = 4; variance
        // (5*6*11 - (8 - 2)/2) / 24 = 13.625, mean 7.5.
        {"ties", {1, 1, 2, -3, 4}, 0, 5, 11, 4, false, NormalP(3.5, 13.625)},
        {"nothing to rank", {0, 0}, 2, 0, 0, 0, false, 1.0},
    };
    for (const Case& c : cases) {
        const SignedRankResult r = SignedRankTest(c.differences);
        EXPECT_EQ(r.zeros, c.zeros) << c.name;
        EXPECT_EQ(r.n, c.n) << c.name;
        EXPECT_EQ(r.wPlus, c.wPlus) << c.name;
        EXPECT_EQ(r.wMinus, c.wMinus) << c.name;
        EXPECT_EQ(r.statistic, std::min(c.wPlus, c.wMinus)) << c.name;
        EXPECT_EQ(r.exact, c.exact) << c.name;
        EXPECT_NEAR(r.p, c.p, 1e-15) << c.name;
    }
}

TEST(StatisticsTest, WilcoxonIsExactUpToFiftyPairsAndNormalBeyond)
{
    std::vector<long double> d;
    for (int i = 1; i <= 50; ++i)
        d.push_back(i);
    SignedRankResult r = SignedRankTest(d);
    EXPECT_TRUE(r.exact);
    EXPECT_EQ(r.p, std::ldexp(1.0, -49));  // two-sided: 2 * 2^-50
    d.push_back(51);
    r = SignedRankTest(d);
    EXPECT_FALSE(r.exact);
    // W- = 0, mean 51*52/4 = 663, variance 51*52*103/24 = 11381.5.
    EXPECT_NEAR(r.p, NormalP(663, 11381.5), 1e-20);
    EXPECT_NEAR(r.z, -663 / std::sqrt(11381.5), 1e-12);
}

TEST(StatisticsTest, FriedmanAndKruskalWallisByHand)
{
    // Rank sums 3, 7, 8: 12/(3*3*4) * 122 - 36 = 14/3; chi2 with 2 degrees
    // of freedom has the tail exp(-x/2).
    OmnibusResult f = FriedmanTest({{10, 20, 30}, {1, 3, 2}, {5, 6, 7}});
    EXPECT_EQ(f.degreesOfFreedom, 2u);
    EXPECT_NEAR(f.statistic, 14.0 / 3, 1e-14);
    EXPECT_NEAR(f.p, std::exp(-7.0 / 3), 1e-14);
    // A tie in the first block: ranks 1.5 1.5 3 and 1 2 3, sums 2.5 3.5 6:
    // 0.5 * 54.5 - 24 = 3.25, corrected by 1 - 6/48.
    f = FriedmanTest({{5, 5, 7}, {4, 6, 8}});
    EXPECT_NEAR(f.statistic, 3.25 / 0.875, 1e-14);
    EXPECT_NEAR(f.p, std::exp(-3.25 / 0.875 / 2), 1e-14);
    EXPECT_TRUE(FriedmanTest({{1, 1}, {2, 2}}).allTied);
    EXPECT_EQ(FriedmanTest({{1, 1}, {2, 2}}).p, 1.0);

    // Rank sums 3, 7, 11 of 6: 12/42 * 89.5 - 21 = 32/7.
    OmnibusResult k = KruskalWallisTest({{1, 2}, {3, 4}, {5, 6}});
    EXPECT_EQ(k.blocks, 6u);
    EXPECT_NEAR(k.statistic, 32.0 / 7, 1e-14);
    EXPECT_NEAR(k.p, std::exp(-16.0 / 7), 1e-14);
    // One tie of two among 4: ranks 1 2.5 2.5 4, sums 3.5 and 6.5:
    // (12/20 * (6.125 + 21.125) - 15) / (1 - 6/60).
    k = KruskalWallisTest({{1, 2}, {2, 3}});
    EXPECT_NEAR(k.statistic, (0.6 * 27.25 - 15) / 0.9, 1e-14);
    EXPECT_TRUE(KruskalWallisTest({{4, 4}, {4}}).allTied);
}

TEST(StatisticsTest, HolmStepsDownAndNeverDecreases)
{
    // Sorted 0.005 0.01 0.03 0.04 times 4 3 2 1: 0.02 0.03 0.06 0.04 -> 0.06.
    const std::vector<double> adjusted = HolmAdjust({0.03, 0.04, 0.01, 0.005});
    const std::vector<double> expected = {0.06, 0.06, 0.03, 0.02};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(adjusted[i], expected[i], 1e-17) << i;
    EXPECT_EQ(HolmAdjust({0.5, 0.6}), (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(HolmAdjust({0.2}), std::vector<double>{0.2});
    EXPECT_TRUE(HolmAdjust({}).empty());
}

TEST(StatisticsTest, A12CountsTheLowerValuesTiesHalf)
{
    // Of the 9 pairs 6 are lower in the first, 2 tie: 7/9.
    EXPECT_DOUBLE_EQ(ChanceOfLower({1, 2, 3}, {2, 3, 4}), 7.0 / 9);
    EXPECT_DOUBLE_EQ(ChanceOfLower({2, 3, 4}, {1, 2, 3}), 2.0 / 9);
    EXPECT_EQ(ChanceOfLower({5, 5}, {5}), 0.5);
    EXPECT_EQ(ChanceOfLower({1}, {9, 8}), 1.0);
}

TEST(StatisticsTest, SplitMixGivesItsPublishedOutput)
{
    // The reference outputs of SplitMix64 seeded with 0.
    SplitMix64 generator(0);
    EXPECT_EQ(generator.next(), 0xe220a8397b1dcdafULL);
    EXPECT_EQ(generator.next(), 0x6e789e6aa1b965f4ULL);
    EXPECT_EQ(generator.next(), 0x06c45d188009454fULL);
    // Lemire's mapping takes the high word of next() * bound.
    SplitMix64 a(7), b(7);
    __extension__ using Wide = unsigned __int128;
    EXPECT_EQ(a.below(10), static_cast<std::uint64_t>(static_cast<Wide>(b.next()) * 10 >> 64));
    for (int i = 0; i < 1000; ++i)
        EXPECT_LT(a.below(3), 3u);
}

TEST(StatisticsTest, TheBootstrapIsSeededAndBracketsTheMedian)
{
    std::vector<double> sample;
    for (int i = 0; i < 41; ++i)
        sample.push_back(std::sin(i) * 10);
    const auto interval = [&](std::uint64_t seed) {
        SplitMix64 generator(seed);
        return BootstrapMedianInterval(sample, 2000, 0.95, generator);
    };
    const Interval a = interval(1), b = interval(1);
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.high, b.high);
    bool differs = false;
    for (std::uint64_t seed = 2; seed < 20; ++seed)
        differs = differs || interval(seed).low != a.low || interval(seed).high != a.high;
    EXPECT_TRUE(differs);
    std::vector<double> sorted = sample;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_LT(a.low, sorted[20]);
    EXPECT_GT(a.high, sorted[20]);
    // Of three values a resample's median is the lowest or the highest with
    // the chance 7/27 each (two draws of it at least), else the middle one:
    // the 2.5 % and 97.5 % points are the ends, the 30 % and 70 % the middle.
    SplitMix64 generator(1);
    Interval three = BootstrapMedianInterval({4, 0.5, 2}, 2000, 0.95, generator);
    EXPECT_EQ(three.low, 0.5);
    EXPECT_EQ(three.high, 4.0);
    three = BootstrapMedianInterval({4, 0.5, 2}, 2000, 0.4, generator);
    EXPECT_EQ(three.low, 2.0);
    EXPECT_EQ(three.high, 2.0);
}

}  // namespace
