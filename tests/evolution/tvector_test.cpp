#include <gtest/gtest.h>

#include <cmath>

#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace {

using zarudiv::Generator;
using zarudiv::TVector;

TVector Filled(long double value)
{
    TVector v;
    v.e.fill(value);
    return v;
}

TEST(InitVectorTest, WritesCountAndDrawsOnePerElement)
{
    Generator gen(5u);
    Generator probe = gen;
    TVector v = Filled(-1.0L);
    zarudiv::InitVector(4, v, gen);
    EXPECT_EQ(v[0], 4.0L);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(v[k], zarudiv::Random(probe) + k) << k;
    EXPECT_EQ(v[5], -1.0L);
    EXPECT_EQ(gen, probe);
}

TEST(InitVectorTest, ZeroLengthDrawsNothing)
{
    Generator gen(5u);
    TVector v = Filled(7.0L);
    zarudiv::InitVector(0, v, gen);
    EXPECT_EQ(v[0], 0.0L);
    EXPECT_EQ(v[1], 7.0L);
    EXPECT_EQ(gen.draws, 0u);
}

TEST(MakeVectorTest, ClearsOnlyTheCountedElementsAfterThreeDraws)
{
    Generator gen(5u);
    TVector v = Filled(9.0L);
    zarudiv::InitVector(3, v, gen);
    zarudiv::ClearVector(v);
    EXPECT_EQ(v[0], 3.0L);
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(v[k], 0.0L);
    for (int k = 4; k <= 100; ++k)
        ASSERT_EQ(v[k], 9.0L) << k;
    EXPECT_EQ(gen.draws, 3u);
}

TEST(VectorCountTest, RoundsHalfToEven)
{
    TVector v;
    v[0] = 2.5L;
    EXPECT_EQ(zarudiv::VectorCount(v), 2);
    v[0] = 3.5L;
    EXPECT_EQ(zarudiv::VectorCount(v), 4);
    v[0] = 20.0L;
    EXPECT_EQ(zarudiv::VectorCount(v), 20);
}

TEST(PatternTest, StartAndTargetForTwentyElements)
{
    TVector start = zarudiv::ZeroVector(20);
    zarudiv::StartVector(start);
    TVector target = zarudiv::ZeroVector(20);
    zarudiv::TargetVector(target);
    const int startValues[20] = {100, 100, 100, 100, 100, 25,  100, 100, 100, 100,
                                 100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
    const int targetValues[20] = {100, 100, 100, 100, 100, 0, 0, 100, 100, 100,
                                  0,   0,   100, 100, 100, 0, 0, 0,   0,   0};
    for (int k = 1; k <= 20; ++k) {
        EXPECT_EQ(start[k], startValues[k - 1]) << k;
        EXPECT_EQ(target[k], targetValues[k - 1]) << k;
    }
    EXPECT_EQ(start[0], 20.0L);
    EXPECT_EQ(target[0], 20.0L);
}

TEST(PatternTest, FixedIndicesAreWrittenWhateverTheCount)
{
    TVector start = zarudiv::ZeroVector(4);
    zarudiv::StartVector(start);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(start[k], 100.0L);
    EXPECT_EQ(start[5], 0.0L);
    EXPECT_EQ(start[6], 25.0L);

    TVector fifteen = Filled(3.0L);
    fifteen[0] = 15;
    zarudiv::TargetVector(fifteen);
    EXPECT_EQ(fifteen[15], 100.0L);
    EXPECT_EQ(fifteen[16], 3.0L);  // no tail loop below 16 elements
    for (int k : {6, 7, 11, 12})
        EXPECT_EQ(fifteen[k], 0.0L) << k;

    TVector sixteen = Filled(3.0L);
    sixteen[0] = 16;
    zarudiv::TargetVector(sixteen);
    EXPECT_EQ(sixteen[16], 0.0L);
    EXPECT_EQ(sixteen[17], 3.0L);

    TVector two = Filled(3.0L);
    two[0] = 2;
    zarudiv::TargetVector(two);
    EXPECT_EQ(two[12], 0.0L);
    EXPECT_EQ(two[13], 3.0L);
}

TEST(ScaleVectorTest, MapsLinearlyOntoZeroToScale)
{
    TVector src = zarudiv::ZeroVector(3);
    src[1] = 2;
    src[2] = 4;
    src[3] = 6;
    for (double scale : {100.0, 0.0, -3.0}) {
        TVector dst = zarudiv::ZeroVector(3);
        zarudiv::ScaleVector(src, dst, scale);
        EXPECT_EQ(dst[1], 0.0L);
        EXPECT_NEAR(static_cast<double>(dst[2]), 50.0, 1e-12);
        EXPECT_NEAR(static_cast<double>(dst[3]), 100.0, 1e-12);
        EXPECT_LT(dst[3], 100.0L);  // the 1e-15 term keeps it a hair below
    }
    TVector dst = zarudiv::ZeroVector(3);
    zarudiv::ScaleVector(src, dst, 10.0);
    EXPECT_NEAR(static_cast<double>(dst[2]), 5.0, 1e-13);
}

TEST(ScaleVectorTest, EqualValuesGiveZeros)
{
    TVector src = zarudiv::ZeroVector(3);
    src[1] = src[2] = src[3] = 7;
    TVector dst = Filled(1.0L);
    dst[0] = 3;
    zarudiv::ScaleVector(src, dst, 100.0);
    EXPECT_EQ(dst[1], 0.0L);
    EXPECT_EQ(dst[3], 0.0L);
    EXPECT_EQ(dst[0], 3.0L);
    EXPECT_EQ(dst[4], 1.0L);
}

}  // namespace

// The range is max - min computed in extended precision and stored as double;
// the same subtraction in double rounds once instead of twice. With these two
// values the two ways give different ranges, and d[1] shows it.
TEST(ScaleVectorTest, TheRangeIsTheExtendedSubtractionRoundedToDouble)
{
    const double max = 0x1.d6bb04eb50918p+6;
    const double min = 0x1.52a32aad2affep-7;
    TVector src = zarudiv::ZeroVector(2);
    src[1] = max;
    src[2] = min;
    TVector dst = zarudiv::ZeroVector(2);
    zarudiv::ScaleVector(src, dst, 100.0);

    const double extendedRange = static_cast<double>(static_cast<long double>(max) - min);
    const double doubleRange = max - min;
    ASSERT_NE(extendedRange, doubleRange);
    const auto scaled = [&](double range) {
        return (static_cast<long double>(max) - min) * 100.0L / (1e-15L + range);
    };
    ASSERT_NE(scaled(extendedRange), scaled(doubleRange));
    EXPECT_EQ(dst[1], scaled(extendedRange));
    EXPECT_EQ(dst[2], 0.0L);
}
