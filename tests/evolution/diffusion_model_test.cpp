#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "evolution/diffusion_model.h"
#include "evolution/fast_diffusion.h"
#include "evolution/fpu.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace {

using zarudiv::Generator;
using zarudiv::TVector;

TVector Values(std::initializer_list<long double> values)
{
    TVector v = zarudiv::ZeroVector(static_cast<int>(values.size()));
    int k = 1;
    for (long double x : values)
        v[k++] = x;
    return v;
}

TVector RandomLaw(Generator& gen, int n, long double scale)
{
    TVector v = zarudiv::ZeroVector(n);
    for (int k = 1; k <= n; ++k)
        v[k] = (zarudiv::Random(gen) - 0.5L) * scale;
    return v;
}

TVector Start20()
{
    TVector s = zarudiv::ZeroVector(20);
    zarudiv::StartVector(s);
    return s;
}

TEST(InRangeTest, OneToNInclusive)
{
    EXPECT_FALSE(zarudiv::InRange(0, 5));
    EXPECT_TRUE(zarudiv::InRange(1, 5));
    EXPECT_TRUE(zarudiv::InRange(5, 5));
    EXPECT_FALSE(zarudiv::InRange(6, 5));
    EXPECT_FALSE(zarudiv::InRange(-1, 5));
    EXPECT_FALSE(zarudiv::InRange(1, 0));
}

TEST(DiffusionStepTest, ZeroOrCancellingLawsLeaveTheStateUnchanged)
{
    Generator gen(3u);
    const TVector start = Start20();
    TVector s = start;
    zarudiv::DiffusionStep(zarudiv::ZeroVector(20), zarudiv::ZeroVector(20), s, 1.0, 1.0);
    EXPECT_EQ(s, start);
    const TVector law = RandomLaw(gen, 20, 1e-3L);
    zarudiv::DiffusionStep(law, law, s, 1.0, 1.0);
    EXPECT_EQ(s, start);
}

TEST(DiffusionStepTest, SingleSiteSeesOnlyItself)
{
    TVector s = Values({3.0L});
    s[2] = 99.0L;  // above n: untouched and not read
    zarudiv::DiffusionStep(Values({0.25L}), Values({0.5L}), s, 1.0, 2.0);
    // c = cos(pi) = -1: S' = S - S * (wA*A - wB*B) = 3 - 3 * (0.25 - 1.0)
    EXPECT_EQ(s[1], 3.0L + 3.0L * 0.75L);
    EXPECT_EQ(s[2], 99.0L);
}

TEST(DiffusionStepTest, EmptyStateOrEmptyLawDoNothing)
{
    TVector empty = zarudiv::ZeroVector(0);
    empty[1] = 5.0L;
    zarudiv::DiffusionStep(Values({1.0L}), Values({2.0L}), empty, 1.0, 1.0);
    EXPECT_EQ(empty[1], 5.0L);
    TVector s = Start20();
    const TVector before = s;
    zarudiv::DiffusionStep(zarudiv::ZeroVector(0), zarudiv::ZeroVector(0), s, 1.0, 1.0);
    EXPECT_EQ(s, before);
}

TEST(DiffusionStepTest, MatchesTheClosedFormOnThreeSites)
{
    // Independent evaluation: S'[k] = S[k] + sum over i, j >= max(1,|k-i|) of
    // cos(j pi k / n) S[i] (A[j] - B[j]), in the loop order i, then j.
    const TVector A = Values({0.1L, 0.02L, 0.003L});
    const TVector B = Values({0.05L, 0.01L, 0.0L});
    TVector s = Values({1.0L, 2.0L, 4.0L});
    const TVector before = s;
    zarudiv::DiffusionStep(A, B, s, 1.0, 1.0);
    const long double pi = 3.141592653589793238462643383279502884L;
    for (int k = 1; k <= 3; ++k) {
        long double t = before[k];
        for (int i = 1; i <= 3; ++i)
            for (int j = std::max(1, std::abs(k - i)); j <= 3; ++j) {
                const long double c = std::cos(j * pi * k / 3.0L);
                t = t + c * (before[i] * A[j]);
                t = t - c * (before[i] * B[j]);
            }
        EXPECT_EQ(s[k], t) << k;
    }
}

TEST(DiffusionStepTest, FastStepIsBitIdenticalToTheLiteralStep)
{
    Generator gen(2718u);
    // Both ways of holding the cosine factors: exact double pairs and 80-bit.
    for (bool split : {true, false}) {
        const zarudiv::FastDiffusion fast(20, 20, split);
        for (int law = 0; law < 60; ++law) {
            // Laws of the campaign's size and far larger ones, whose states
            // grow by many orders of magnitude over the 20 steps.
            const long double scale = law < 20 ? 1e-6L : law < 40 ? 1e-2L : 1.0L;
            const TVector A = RandomLaw(gen, 20, scale);
            const TVector B = RandomLaw(gen, 20, scale);
            TVector literal = Start20();
            TVector quick = literal;
            for (int step = 0; step < 20; ++step) {
                zarudiv::DiffusionStep(A, B, literal, 1.0, 1.0);
                fast.step(A, B, quick);
            }
            ASSERT_EQ(std::memcmp(&literal, &quick, sizeof literal), 0)
                << "law " << law << (split ? ", split factors" : ", 80-bit factors");
        }
    }
}

TEST(DiffusionStepTest, FastStepHandlesOtherShapes)
{
    Generator gen(31u);
    for (int n : {1, 2, 5, 33}) {
        for (int m : {1, 3, 7}) {
            const zarudiv::FastDiffusion fast(n, m);
            const TVector A = RandomLaw(gen, m, 0.1L);
            const TVector B = RandomLaw(gen, m, 0.1L);
            TVector literal = RandomLaw(gen, n, 100.0L);
            TVector quick = literal;
            for (int step = 0; step < 3; ++step) {
                zarudiv::DiffusionStep(A, B, literal, 1.0, 1.0);
                fast.step(A, B, quick);
            }
            ASSERT_EQ(std::memcmp(&literal, &quick, sizeof literal), 0) << n << " " << m;
        }
    }
}

TEST(DiffusionStepTest, AGrowingLawOverflowsAndRaisesTheFlag)
{
    zarudiv::PrepareFpu();
    TVector A = zarudiv::ZeroVector(20);
    for (int k = 1; k <= 20; ++k)
        A[k] = 1e300L;
    TVector s = Start20();
    bool overflowed = false;
    for (int step = 0; step < 20 && !overflowed; ++step) {
        zarudiv::DiffusionStep(A, zarudiv::ZeroVector(20), s, 1.0, 1.0);
        overflowed = zarudiv::FpuFaultPending();
    }
    EXPECT_TRUE(overflowed);
    try {
        zarudiv::CheckFpu();
        FAIL() << "no fault raised";
    } catch (const zarudiv::FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), zarudiv::FloatingPointFault::Kind::Overflow);
        EXPECT_STREQ(fault.what(), "Gleitkommaüberlauf");
    }
    EXPECT_FALSE(zarudiv::FpuFaultPending());
}

TEST(QualityTest, StartAgainstTargetIsTheSquareRootOf80625)
{
    Generator gen(1u);
    TVector target = zarudiv::ZeroVector(20);
    zarudiv::TargetVector(target);
    const double q = zarudiv::Quality(target, Start20(), gen);
    EXPECT_EQ(q, static_cast<double>(std::sqrt(80625.0L)));
    EXPECT_NEAR(q, 283.9454, 1e-4);
    EXPECT_EQ(gen.draws, 40u);  // two scratch vectors of n
}

TEST(QualityTest, AVectorAgainstItselfIsZero)
{
    Generator gen(1u);
    const TVector s = Start20();
    EXPECT_EQ(zarudiv::Quality(s, s, gen), 0.0);
}

TEST(QualityTest, ComparesOnlyTheTargetsElements)
{
    Generator gen(1u);
    const TVector target = Values({1.0L, 2.0L});
    TVector state = Values({1.0L, 5.0L, 1000.0L});
    EXPECT_EQ(zarudiv::Quality(target, state, gen), 3.0);
    EXPECT_EQ(gen.draws, 4u);
}

TEST(QualityTest, SquaredDistanceRoundsTheRunningSumToDoubleAfterEveryAddition)
{
    Generator gen(1u);
    // Each square 2^-54 is below half an ulp of 1.0 in double: a sum rounded to
    // double after every addition stays 1.0, one kept in extended would not.
    TVector x = zarudiv::ZeroVector(21);
    x[1] = 1.0L;
    for (int k = 2; k <= 21; ++k)
        x[k] = std::ldexp(1.0L, -27);
    EXPECT_EQ(zarudiv::SquaredDistance(x, zarudiv::ZeroVector(21), gen), 1.0);
    EXPECT_EQ(gen.draws, 21u);
}

}  // namespace
