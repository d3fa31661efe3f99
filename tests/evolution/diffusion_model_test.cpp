#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "evolution/diffusion_model.h"
#include "evolution/fast_diffusion.h"
#include "evolution/fpu.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"
#include "evolution/twenty_site_kernel.h"

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

// The campaign's size runs in the twenty-site x87 code; these cases aim at
// what that code does differently: products held as pairs of doubles (zeros
// and their signs, the ends of the range it accepts), factors of +1 and -1
// replaced by signs, and terms skipped as negligible when a bound allows.
namespace twenty {

using zarudiv::FastDiffusion;

// Steps the literal and the fast model side by side and compares every step:
// the values, and whether a fault flag was raised.
::testing::AssertionResult SameSteps(const FastDiffusion& fast, const TVector& A, const TVector& B,
                                     TVector literal, int steps)
{
    zarudiv::PrepareFpu();
    TVector quick = literal;
    for (int step = 0; step < steps; ++step) {
        zarudiv::DiffusionStep(A, B, literal, 1.0, 1.0);
        const bool literalFault = zarudiv::FpuFaultPending();
        zarudiv::ClearFpuFaults();
        fast.step(A, B, quick);
        const bool fastFault = zarudiv::FpuFaultPending();
        zarudiv::ClearFpuFaults();
        if (std::memcmp(&literal, &quick, sizeof literal) != 0)
            return ::testing::AssertionFailure() << "differs after step " << step + 1;
        if (fastFault != literalFault)
            return ::testing::AssertionFailure() << "fault flags differ in step " << step + 1;
    }
    return ::testing::AssertionSuccess();
}

TVector RandomState(Generator& gen, long double low, long double high)
{
    TVector s = zarudiv::ZeroVector(20);
    for (int k = 1; k <= 20; ++k)
        s[k] = low + zarudiv::Random(gen) * (high - low);
    return s;
}

TEST(DiffusionStepTest, TwentySiteCodeRunsForTheCampaignSizeOnly)
{
    EXPECT_TRUE(FastDiffusion(20, 20).twentySites());
    EXPECT_FALSE(FastDiffusion(20, 20, true, FastDiffusion::Kernel::FourSites).twentySites());
    EXPECT_FALSE(FastDiffusion(20, 20, false).twentySites());
    EXPECT_FALSE(FastDiffusion(21, 20).twentySites());
    EXPECT_FALSE(FastDiffusion(20, 19).twentySites());
}

TEST(DiffusionStepTest, TwentySiteCodeIsBitIdenticalWithAndWithoutSkippedTerms)
{
    Generator gen(1618u);
    const FastDiffusion fast(20, 20);
    ASSERT_TRUE(fast.twentySites());
    // Laws from far below the campaign's size to far above it, and states with
    // some sites near zero: the negligible terms are skipped at all, some or
    // none of the sites, and the counts below make sure each case occurred.
    int allSkip = 0, someSkip = 0, noSkip = 0;
    for (int law = 0; law < 48; ++law) {
        const long double scale = std::pow(10.0L, -9.0L + static_cast<long double>(law % 12));
        const TVector A = RandomLaw(gen, 20, scale);
        const TVector B = RandomLaw(gen, 20, scale);
        TVector start = law < 24 ? Start20() : RandomState(gen, -100.0L, 100.0L);
        if (law % 3 == 0)
            start[1 + law % 20] = 1e-3L;
        const unsigned skips =
            zarudiv::PlanTwentySiteStep(fast.twentySiteFactors(), A, B, start).skips;
        (skips == 0xFFFFFu ? allSkip : skips == 0u ? noSkip : someSkip) += 1;
        EXPECT_TRUE(SameSteps(fast, A, B, start, 20)) << "law " << law;
    }
    EXPECT_GT(allSkip, 0);
    EXPECT_GT(someSkip, 0);
    EXPECT_GT(noSkip, 0);
}

TEST(DiffusionStepTest, TwentySiteCodeKeepsZerosAndTheirSigns)
{
    Generator gen(77u);
    const FastDiffusion fast(20, 20);
    // A product -0 must stay -0 through its pair of doubles: with a state
    // of -0 a site's sum is -0 + (-0), not -0 + (+0).
    TVector zeros = zarudiv::ZeroVector(20);
    TVector negativeZeros = zarudiv::ZeroVector(20);
    for (int k = 1; k <= 20; ++k)
        negativeZeros[k] = -0.0L;
    TVector mixed = Start20();
    mixed[3] = -0.0L;
    mixed[10] = 0.0L;
    mixed[20] = -0.0L;
    TVector A = RandomLaw(gen, 20, 1e-4L);
    TVector B = RandomLaw(gen, 20, 1e-4L);
    A[2] = 0.0L;
    A[7] = -0.0L;
    B[7] = 0.0L;
    B[20] = -0.0L;
    for (const TVector& state : {zeros, negativeZeros, mixed, Start20()}) {
        EXPECT_TRUE(SameSteps(fast, A, B, state, 5));
        EXPECT_TRUE(SameSteps(fast, zarudiv::ZeroVector(20), zarudiv::ZeroVector(20), state, 2));
        EXPECT_TRUE(SameSteps(fast, negativeZeros, zeros, state, 2));
    }
}

TEST(DiffusionStepTest, TwentySiteCodeAtTheEndsOfItsRange)
{
    Generator gen(4242u);
    const FastDiffusion fast(20, 20);
    // The code takes magnitudes in [2^-450, 2^500) and zero; just inside and
    // just outside, and far outside (where the four-site kernel takes over).
    const long double edges[] = {0x1p-450L, 0x1p-450L * (1.0L - 0x1p-64L), 0x1p500L * (1.0L - 0x1p-64L),
                                 0x1p500L, 1e-4000L, 1e4000L};
    for (const long double edge : edges) {
        TVector state = Start20();
        state[5] = edge;
        TVector A = RandomLaw(gen, 20, 1e-3L);
        TVector B = RandomLaw(gen, 20, 1e-3L);
        EXPECT_TRUE(SameSteps(fast, A, B, state, 3)) << "state " << edge;
        A[9] = edge;
        EXPECT_TRUE(SameSteps(fast, A, B, Start20(), 3)) << "law " << edge;
        TVector all = zarudiv::ZeroVector(20);
        for (int k = 1; k <= 20; ++k)
            all[k] = edge * static_cast<long double>(k);
        EXPECT_TRUE(SameSteps(fast, all, B, all, 2)) << "everything near " << edge;
    }
}

TEST(DiffusionStepTest, TwentySiteCodeRaisesTheLiteralStepsFaultFlags)
{
    zarudiv::PrepareFpu();
    const FastDiffusion fast(20, 20);
    // A law inside the code's range whose state grows out of it and then
    // overflows: the fast step must raise the flag in the same step as the
    // literal one, and leave the same values on the way.
    TVector A = zarudiv::ZeroVector(20);
    for (int k = 1; k <= 20; ++k)
        A[k] = 1e150L;
    const TVector B = zarudiv::ZeroVector(20);
    ASSERT_TRUE(zarudiv::PlanTwentySiteStep(fast.twentySiteFactors(), A, B, Start20()).inRange);
    TVector literal = Start20();
    TVector quick = literal;
    int faults = 0;
    for (int step = 0; step < 40; ++step) {
        zarudiv::ClearFpuFaults();
        zarudiv::DiffusionStep(A, B, literal, 1.0, 1.0);
        const bool literalFault = zarudiv::FpuFaultPending();
        zarudiv::ClearFpuFaults();
        fast.step(A, B, quick);
        ASSERT_EQ(zarudiv::FpuFaultPending(), literalFault) << "step " << step + 1;
        ASSERT_EQ(std::memcmp(&literal, &quick, sizeof literal), 0) << "step " << step + 1;
        faults += literalFault ? 1 : 0;
    }
    EXPECT_GT(faults, 0);
    zarudiv::ClearFpuFaults();
    // Products far beyond double but far inside extended raise nothing.
    Generator gen(5u);
    TVector big = Start20();
    for (int k = 1; k <= 20; ++k)
        big[k] = 1e400L;
    EXPECT_TRUE(SameSteps(fast, RandomLaw(gen, 20, 1e-3L), B, big, 3));
    EXPECT_FALSE(zarudiv::FpuFaultPending());
}

}  // namespace twenty

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
