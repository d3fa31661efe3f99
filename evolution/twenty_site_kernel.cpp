#include "evolution/twenty_site_kernel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" {
// twenty_site_kernel.S
void zarudiv_twenty_site_products(const long double* state, const long double* activator,
                                  const long double* inhibitor, double* products);
void zarudiv_twenty_site_step(const long double* state, long double* next,
                              const double* products, const long double* wide,
                              const zarudiv::FactorPair* pairs, unsigned skips);
}

namespace zarudiv {

namespace {

constexpr int kSites = TwentySiteFactors::kSites;
constexpr int kRow = TwentySiteFactors::kRow;

// Four doubles per (i, j): both products, each as an exact pair.
constexpr std::size_t kProductDoubles = static_cast<std::size_t>(kRow * kRow * 4);

// Unbiased exponents of the magnitudes the code accepts: [2^-450, 2^500).
constexpr int kLowest = -450;
constexpr int kHighest = 499;

std::size_t At(int k, int j) { return static_cast<std::size_t>(k * kRow + j); }

// The code uses the sign for c where j*k is a multiple of 20 and may skip
// the term where j*k = 10 mod 20 (cos of an odd multiple of pi/2).
bool IsUnit(int j, int k) { return (j * k) % kSites == 0; }
bool IsNegligible(int j, int k) { return (j * k) % kSites == kSites / 2; }

// A magnitude between two doubles, read from the bits of an extended value
// without loading it into the x87 unit: an 80-bit load costs more than the
// arithmetic around it.
struct Magnitude {
    bool inRange = false;
    double below = 0.0;  // |x| rounded down to double
    double above = 0.0;  // the next double up
};

Magnitude MagnitudeOf(const long double& x)
{
    std::uint64_t significand = 0;
    std::uint16_t signExponent = 0;
    std::memcpy(&significand, &x, sizeof significand);
    std::memcpy(&signExponent, reinterpret_cast<const unsigned char*>(&x) + 8,
                sizeof signExponent);
    const int biased = signExponent & 0x7FFF;
    Magnitude m;
    if (biased == 0 && significand == 0) {
        m.inRange = true;
        return m;
    }
    const int exponent = biased - 16383;
    // A normal number has its integer bit set; denormals, unnormals,
    // infinities and NaNs fail here or on the exponent.
    if ((significand >> 63) == 0 || exponent < kLowest || exponent > kHighest)
        return m;
    const std::uint64_t down =
        (static_cast<std::uint64_t>(exponent + 1023) << 52) | ((significand << 1) >> 12);
    const std::uint64_t up = down + 1;
    std::memcpy(&m.below, &down, sizeof down);
    std::memcpy(&m.above, &up, sizeof up);
    m.inRange = true;
    return m;
}

}  // namespace

bool TwentySiteShapeHolds(const long double* wide, const FactorPair* pairs)
{
    for (int k = 1; k <= kSites; ++k) {
        for (int j = 1; j <= kSites; ++j) {
            const long double c = wide[At(k, j)];
            const long double joined =
                static_cast<long double>(pairs[At(k, j)].high) + pairs[At(k, j)].low;
            if (!(std::fabs(c) <= 1.0L) || joined != c)
                return false;
            if (IsUnit(j, k) && c != ((j * k / kSites) % 2 == 0 ? 1.0L : -1.0L))
                return false;
        }
    }
    return true;
}

double NegligibleScale(const long double* wide)
{
    long double largest = 0x1p-100L;
    for (int k = 1; k <= kSites; ++k)
        for (int j = 1; j <= kSites; ++j)
            if (IsNegligible(j, k))
                largest = std::max(largest, std::fabs(wide[At(k, j)]));
    // Small enough that the bound stays far inside double: below 2^18 * 2^1000.
    if (!(largest <= 0x1p-50L))
        return 0.0;
    return 0x1p68 * MagnitudeOf(largest).above;
}

TwentySitePlan PlanTwentySiteStep(const TwentySiteFactors& factors, const TVector& A,
                                  const TVector& B, const TVector& S)
{
    TwentySitePlan plan;
    double sumS = 0.0;
    double maxS = 0.0;
    double sumLaw = 0.0;
    double maxLaw = 0.0;
    double lowest[kRow] = {};
    for (int k = 1; k <= kSites; ++k) {
        const Magnitude s = MagnitudeOf(S[k]);
        const Magnitude a = MagnitudeOf(A[k]);
        const Magnitude b = MagnitudeOf(B[k]);
        if (!s.inRange || !a.inRange || !b.inRange)
            return plan;
        lowest[k] = s.below;
        sumS += s.above;
        maxS = std::max(maxS, s.above);
        sumLaw += a.above + b.above;
        maxLaw = std::max(maxLaw, std::max(a.above, b.above));
    }
    plan.inRange = true;
    if (factors.negligibleScale == 0.0)
        return plan;
    // At most 2^1014 and 2^1018: no overflow.
    const double drift = 2.001 * sumS * sumLaw;
    const double residue = factors.negligibleScale * maxS * maxLaw;
    for (int k = 1; k <= kSites; ++k)
        if (lowest[k] > 0.0 && drift <= lowest[k] && residue <= lowest[k])
            plan.skips |= 1u << (k - 1);
    return plan;
}

bool TwentySiteStep(const TwentySiteFactors& factors, const TVector& A, const TVector& B,
                    TVector& S)
{
    const TwentySitePlan plan = PlanTwentySiteStep(factors, A, B, S);
    if (!plan.inRange)
        return false;
    alignas(64) double products[kProductDoubles];
    zarudiv_twenty_site_products(S.e.data(), A.e.data(), B.e.data(), products);
    // A block reads its own four sites before it writes them and no others,
    // so the new values can go straight into S.
    zarudiv_twenty_site_step(S.e.data(), S.e.data(), products, factors.wide, factors.pairs,
                             plan.skips);
    return true;
}

}  // namespace zarudiv
