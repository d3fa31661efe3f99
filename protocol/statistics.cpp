#include "protocol/statistics.h"

#include <cmath>

#include "evolution/fpu.h"

namespace zarudiv {

namespace {

// Running sums are doubles: each addition is done in extended precision and
// rounded back to double at once.
double AddToSum(double sum, long double term)
{
    return static_cast<double>(term + static_cast<long double>(sum));
}

}  // namespace

double VectorMean(TVector v)
{
    const int n = VectorCount(v);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k)
        sum = AddToSum(sum, v[k]);
    return Checked(static_cast<double>(static_cast<long double>(sum) / n));
}

double DifferenceVector(TVector a, TVector b, TVector& d)
{
    const int n = VectorCount(a);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        d[k] = a[k] - b[k];
        sum = AddToSum(sum, d[k]);
    }
    return Checked(sum);
}

double AbsVector(TVector& v)
{
    const int n = VectorCount(v);
    for (int k = 1; k <= n; ++k)
        v[k] = std::fabs(v[k]);
    return 0.0;
}

double SumSquaredDeviations(TVector v, Generator& gen)
{
    const int n = VectorCount(v);
    // The scratch vector is made before anything is computed; its draws are
    // part of the generator's sequence even though the values are not used.
    TVector w;
    MakeVector(n, w, gen);
    const long double mean = VectorMean(v);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const long double deviation = mean - v[k];
        w[k] = deviation * deviation;
        sum = AddToSum(sum, w[k]);
    }
    return Checked(sum);
}

double Variance(TVector v)
{
    const int n = VectorCount(v);
    const long double mean = VectorMean(v);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const long double deviation = mean - v[k];
        sum = AddToSum(sum, deviation * deviation);
    }
    return Checked(static_cast<double>(static_cast<long double>(sum) / n));
}

double StdDeviation(TVector v)
{
    const long double variance = Variance(v);
    return Checked(static_cast<double>(std::sqrt(variance)));
}

double VectorMin(TVector v)
{
    const int n = VectorCount(v);
    double m = 1e12;
    for (int k = 1; k <= n; ++k)
        if (v[k] <= m)
            m = static_cast<double>(v[k]);
    return Checked(m);
}

double VectorMax(TVector v)
{
    const int n = VectorCount(v);
    double m = -1e12;
    for (int k = 1; k <= n; ++k)
        if (v[k] >= m)
            m = static_cast<double>(v[k]);
    return Checked(m);
}

std::int32_t CountWithinTolerance(TVector v, double reference, double percent)
{
    const int n = VectorCount(v);
    const double tolerance =
        static_cast<double>(static_cast<long double>(reference) * percent / 100);
    double count = 0.0;
    for (int k = 1; k <= n; ++k) {
        const double magnitude = static_cast<double>(std::fabs(v[k]));
        if (magnitude <= tolerance)
            count = count + 1;
    }
    return Checked(RoundToInt(count));
}

std::int32_t CountInBand(TVector v, double centre, double halfwidth)
{
    const int n = VectorCount(v);
    // The bounds stay in extended precision: 1 - 0.1 lies just below the
    // double 0.9, so an element of 0.9 is inside the band.
    const long double lower = static_cast<long double>(centre) - halfwidth;
    const long double upper = static_cast<long double>(centre) + halfwidth;
    std::int32_t count = 0;
    for (int k = 1; k <= n; ++k) {
        const long double x = static_cast<double>(v[k]);
        if (lower < x && x < upper)
            ++count;
    }
    return Checked(count);
}

double GradientVector(TVector v, TVector& g, Generator& gen)
{
    const int n = VectorCount(v);
    TVector scaled;
    MakeVector(n, scaled, gen);
    ScaleVector(v, scaled, 100.0);
    for (int k = 1; k <= n - 1; ++k) {
        const double width = static_cast<double>(100.0L / n);
        const double diff = static_cast<double>(scaled[k] - scaled[k + 1]);
        g[k] = static_cast<long double>(diff) / width;
    }
    if (n >= 1)
        g[n] = g[n - 1];
    CheckFpu();
    return 0.0;
}

double BasisVector(TVector a, TVector b, TVector& r, Generator& gen)
{
    const int n = VectorCount(a);
    MakeVector(n, r, gen);
    for (int k = 1; k <= n; ++k) {
        if (a[k] != 0.0L) {
            r[k] = a[k] / b[k];
            // Stops at the element whose division faults, as the trapping
            // arithmetic would.
            CheckFpu();
        }
    }
    return 0.0;
}

}  // namespace zarudiv
