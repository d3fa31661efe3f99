#include "protocol/statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "evolution/fpu.h"

namespace zarudiv {
namespace {

TVector Vec(const std::vector<long double>& values)
{
    TVector v;
    v[0] = static_cast<long double>(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        v[static_cast<int>(i) + 1] = values[i];
    return v;
}

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override { PrepareFpu(); }
    void TearDown() override { ClearFpuFaults(); }
};

// --- mean, spread --------------------------------------------------------

TEST_F(StatisticsTest, MomentsOfOneToFour)
{
    Generator gen(7);
    const TVector v = Vec({1, 2, 3, 4});
    EXPECT_EQ(VectorMean(v), 2.5);
    EXPECT_EQ(Variance(v), 1.25);  // divided by n, not n - 1
    EXPECT_EQ(SumSquaredDeviations(v, gen), 5.0);
    EXPECT_NEAR(StdDeviation(v), std::sqrt(1.25), 1e-16);
}

TEST_F(StatisticsTest, MomentsOfAConstantVectorAreExactlyZero)
{
    Generator gen(7);
    const TVector v = Vec({3.25L, 3.25L, 3.25L});
    EXPECT_EQ(VectorMean(v), 3.25);
    EXPECT_EQ(SumSquaredDeviations(v, gen), 0.0);
    EXPECT_EQ(Variance(v), 0.0);
    EXPECT_EQ(StdDeviation(v), 0.0);
}

TEST_F(StatisticsTest, RunningSumIsRoundedToDoubleAfterEveryAddition)
{
    // 1 + 2^-53 is a tie that rounds back to 1 in double; an extended
    // accumulator would keep 1 + 2^-52 after the two small terms.
    const long double tiny = std::ldexp(1.0L, -53);
    const TVector v = Vec({1, tiny, tiny});
    EXPECT_EQ(VectorMean(v), 1.0 / 3.0);

    TVector d = Vec({0, 0, 0});
    EXPECT_EQ(DifferenceVector(v, Vec({0, 0, 0}), d), 1.0);
}

TEST_F(StatisticsTest, RunningSumRunsInAscendingOrder)
{
    // Small terms first: they add up to 2^-52 before they meet the 1.
    const long double tiny = std::ldexp(1.0L, -53);
    TVector d = Vec({0, 0, 0});
    EXPECT_EQ(DifferenceVector(Vec({tiny, tiny, 1}), Vec({0, 0, 0}), d),
              1.0 + std::ldexp(1.0, -52));
}

TEST_F(StatisticsTest, ExtendedTermsEnterTheSumUnrounded)
{
    // 2^-53 + (1 + 2^-60) lies above the midpoint between 1 and 1 + 2^-52;
    // rounding the term to double first would make it a tie that goes to 1.
    const long double tiny = std::ldexp(1.0L, -53);
    const TVector v = Vec({tiny, 1.0L + std::ldexp(1.0L, -60)});
    TVector d = Vec({0, 0});
    EXPECT_EQ(DifferenceVector(v, Vec({0, 0}), d), 1.0 + std::ldexp(1.0, -52));
    EXPECT_EQ(VectorMean(v), (1.0 + std::ldexp(1.0, -52)) / 2);
}

TEST_F(StatisticsTest, MeanWithoutElementsIsAnInvalidOperation)
{
    try {
        VectorMean(Vec({}));
        FAIL() << "no fault";
    } catch (const FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), FloatingPointFault::Kind::InvalidOperation);
    }
}

// --- difference and absolute value ---------------------------------------

TEST_F(StatisticsTest, DifferenceVectorWritesElementsAndReturnsTheirSum)
{
    TVector d;
    d[0] = 2;
    d[3] = 77;
    EXPECT_EQ(DifferenceVector(Vec({5, 1}), Vec({2, 4}), d), 0.0);
    EXPECT_EQ(d[0], 2.0L);  // the caller's count stays
    EXPECT_EQ(d[1], 3.0L);
    EXPECT_EQ(d[2], -3.0L);
    EXPECT_EQ(d[3], 77.0L);  // above n: untouched
}

TEST_F(StatisticsTest, DifferenceElementsKeepExtendedPrecision)
{
    TVector d = Vec({0});
    DifferenceVector(Vec({1.0L + std::ldexp(1.0L, -60)}), Vec({1}), d);
    EXPECT_EQ(d[1], std::ldexp(1.0L, -60));
}

TEST_F(StatisticsTest, DifferenceUsesTheCountOfTheFirstVector)
{
    TVector a = Vec({1, 2});
    TVector b = Vec({0, 0, 0});
    b[3] = 5;
    TVector d = Vec({9, 9, 9});
    EXPECT_EQ(DifferenceVector(a, b, d), 3.0);
    EXPECT_EQ(d[3], 9.0L);
}

TEST_F(StatisticsTest, AbsVectorWorksInPlaceAndReturnsZero)
{
    TVector v = Vec({-2.5L, 0, 7, -0.0L});
    v[5] = -9;
    EXPECT_EQ(AbsVector(v), 0.0);
    EXPECT_EQ(v[1], 2.5L);
    EXPECT_EQ(v[3], 7.0L);
    EXPECT_FALSE(std::signbit(v[4]));
    EXPECT_EQ(v[5], -9.0L);
}

// --- extrema -------------------------------------------------------------

TEST_F(StatisticsTest, ExtremaOfValues)
{
    const TVector v = Vec({3, -7.5L, 12, 0});
    EXPECT_EQ(VectorMin(v), -7.5);
    EXPECT_EQ(VectorMax(v), 12.0);
}

TEST_F(StatisticsTest, ExtremaOfAnEmptyVectorAreTheStartValues)
{
    EXPECT_EQ(VectorMin(Vec({})), 1e12);
    EXPECT_EQ(VectorMax(Vec({})), -1e12);
}

TEST_F(StatisticsTest, ExtremaAreBoundedByTheStartValues)
{
    EXPECT_EQ(VectorMin(Vec({2e12L, 5e12L})), 1e12);
    EXPECT_EQ(VectorMax(Vec({-2e12L, -5e12L})), -1e12);
    EXPECT_EQ(VectorMin(Vec({1e12L})), 1e12);
}

TEST_F(StatisticsTest, ExtremaAreRoundedToDouble)
{
    const long double justAboveOne = 1.0L + std::ldexp(1.0L, -60);
    EXPECT_EQ(VectorMin(Vec({justAboveOne})), 1.0);
    EXPECT_EQ(VectorMax(Vec({justAboveOne})), 1.0);
}

// --- tolerance and band counts -------------------------------------------

struct CountCase {
    std::string name;
    std::vector<long double> values;
    double first;   // reference or centre
    double second;  // percent or half-width
    int expected;
};

std::ostream& operator<<(std::ostream& os, const CountCase& c) { return os << c.name; }

class ToleranceCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(ToleranceCountTest, Counts)
{
    PrepareFpu();
    const CountCase& c = GetParam();
    EXPECT_EQ(CountWithinTolerance(Vec(c.values), c.first, c.second), c.expected);
}

// 3 x 90.1 / 100 in extended rounds to 0x1.59fbe76c8b439p+1; the same sum in
// double arithmetic would end one unit lower.
INSTANTIATE_TEST_SUITE_P(
    Statistics, ToleranceCountTest,
    ::testing::Values(
        CountCase{"BoundIsInclusiveOnBothSides", {5, -5, 5.000001L, -5.000001L, 0}, 100, 5, 3},
        CountCase{"ToleranceIsAPercentageOfTheReference", {9.9L, 10, 10.5L}, 200, 5, 2},
        CountCase{"MagnitudeIsRoundedToDouble", {5.0L + std::ldexp(1.0L, -60)}, 100, 5, 1},
        CountCase{"SmallClassValue", {0.001L, 0.0011L, 0}, 100, 0.001, 2},
        CountCase{"BoundComputedInExtended", {0x1.59fbe76c8b439p+1L}, 3, 90.1, 1},
        CountCase{"JustAboveTheExtendedBound", {0x1.59fbe76c8b43ap+1L}, 3, 90.1, 0},
        CountCase{"EmptyVector", {}, 100, 50, 0}),
    [](const auto& row) { return row.param.name; });

class BandCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(BandCountTest, Counts)
{
    PrepareFpu();
    const CountCase& c = GetParam();
    EXPECT_EQ(CountInBand(Vec(c.values), c.first, c.second), c.expected);
}

// 1 - 0.1 in extended lies just below the double nearest 0.9, so that double
// is inside the band; double bounds would put it on the bound, outside.
INSTANTIATE_TEST_SUITE_P(
    Statistics, BandCountTest,
    ::testing::Values(CountCase{"BoundsAreExclusive", {0.75L, 1.25L, 0.5L, 1.5L}, 1, 0.5, 2},
                      CountCase{"ZeroHalfWidthCountsNothing", {1, 1, 1}, 1, 0, 0},
                      CountCase{"ValueIsRoundedToDouble", {1.5L - std::ldexp(1.0L, -62)}, 1, 0.5,
                                0},
                      CountCase{"BoundsComputedInExtended", {0.9L, 1.1L}, 1, 0.1, 1},
                      CountCase{"CentreIsUsed", {9.5L, 10.5L, 11}, 10, 1, 2},
                      CountCase{"ExactCentreWithTinyBand", {1, 1.00002L}, 1, 0.00001, 1}),
    [](const auto& row) { return row.param.name; });

// --- gradient and basis vectors ------------------------------------------

TEST_F(StatisticsTest, GradientOfARisingLine)
{
    Generator gen(1);
    TVector g = Vec({0, 0, 0});
    EXPECT_EQ(GradientVector(Vec({0, 50, 100}), g, gen), 0.0);
    // (s[k] - s[k+1]) * n / 100 = -50 * 3 / 100 for both steps; the last
    // element repeats the one before.
    for (int k = 1; k <= 3; ++k)
        EXPECT_NEAR(static_cast<double>(g[k]), -1.5, 5e-11) << "k = " << k;
    EXPECT_EQ(g[3], g[2]);
    EXPECT_EQ(g[0], 3.0L);
}

TEST_F(StatisticsTest, GradientIsScaleFree)
{
    // A falling line gives positive slopes, whatever the value range.
    Generator gen(1);
    TVector g = Vec({0, 0, 0, 0, 0});
    GradientVector(Vec({-4000, -5000, -6000, -7000, -8000}), g, gen);
    for (int k = 1; k <= 5; ++k)
        EXPECT_NEAR(static_cast<double>(g[k]), 25.0 * 5 / 100, 1e-12) << "k = " << k;
}

TEST_F(StatisticsTest, GradientOfAConstantVectorIsZero)
{
    Generator gen(1);
    TVector g = Vec({9, 9, 9, 9});
    GradientVector(Vec({42, 42, 42, 42}), g, gen);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(g[k], 0.0L) << "k = " << k;
}

TEST_F(StatisticsTest, GradientOfAStepIsExact)
{
    // A jump over the whole range is -100 on the 0..100 scale, the element
    // width 100 / 4 = 25, so the slope is exactly -4 there. With a range of
    // 100 the 1e-15 term of the scaling is far below a double's resolution.
    Generator gen(1);
    TVector g = Vec({0, 0, 0, 0});
    GradientVector(Vec({0, 0, 100, 100}), g, gen);
    EXPECT_EQ(g[1], 0.0L);
    EXPECT_EQ(g[2], -4.0L);
    EXPECT_EQ(g[3], 0.0L);
    EXPECT_EQ(g[4], 0.0L);
}

TEST_F(StatisticsTest, BasisVectorIsTheRatioWithZeroForZeroNumerators)
{
    Generator gen(1);
    TVector r;
    r[3] = 55;
    EXPECT_EQ(BasisVector(Vec({0, 4}), Vec({0, 2}), r, gen), 0.0);
    EXPECT_EQ(r[0], 2.0L);
    EXPECT_EQ(r[1], 0.0L);
    EXPECT_EQ(r[2], 2.0L);
    EXPECT_EQ(r[3], 55.0L);
}

TEST_F(StatisticsTest, BasisVectorDivisionByZeroFaults)
{
    Generator gen(1);
    TVector r;
    try {
        BasisVector(Vec({1, 5, 2}), Vec({1, 0, 2}), r, gen);
        FAIL() << "no fault";
    } catch (const FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), FloatingPointFault::Kind::DivisionByZero);
        EXPECT_STREQ(fault.what(), "Gleitkommadivision durch Null");
    }
    // It stops at the faulting element.
    EXPECT_EQ(r[1], 1.0L);
    EXPECT_EQ(r[3], 0.0L);
}

// --- draws ----------------------------------------------------------------

TEST_F(StatisticsTest, OnlyTheVectorMakingOperationsDraw)
{
    for (int n : {1, 3, 20, 100}) {
        SCOPED_TRACE("n = " + std::to_string(n));
        TVector v;
        v[0] = n;
        for (int k = 1; k <= n; ++k)
            v[k] = k * 1.5L;
        TVector out = v;

        Generator gen(12345);
        VectorMean(v);
        DifferenceVector(v, v, out);
        AbsVector(out);
        Variance(v);
        StdDeviation(v);
        VectorMin(v);
        VectorMax(v);
        CountWithinTolerance(v, 100, 5);
        CountInBand(v, 1, 0.5);
        EXPECT_EQ(gen.draws, 0u);

        SumSquaredDeviations(v, gen);
        EXPECT_EQ(gen.draws, static_cast<std::uint64_t>(n));
        GradientVector(v, out, gen);
        EXPECT_EQ(gen.draws, static_cast<std::uint64_t>(2 * n));
        BasisVector(v, v, out, gen);
        EXPECT_EQ(gen.draws, static_cast<std::uint64_t>(3 * n));
    }
}

}  // namespace
}  // namespace zarudiv
