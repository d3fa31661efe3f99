#include "evolution/tvector.h"

#include <cmath>

#include "evolution/random_source.h"

namespace zarudiv {

int RoundToInt(long double x)
{
    // lrintl follows the current rounding mode: nearest, halves to even.
    return static_cast<int>(std::lrint(x));
}

void InitVector(int n, TVector& v, Generator& gen)
{
    v[0] = static_cast<long double>(n);
    for (int k = 1; k <= n; ++k)
        v[k] = Random(gen) + static_cast<long double>(k);
}

void ClearVector(TVector& v)
{
    const int n = VectorCount(v);
    for (int k = 1; k <= n; ++k)
        v[k] = 0.0L;
}

void StartVector(TVector& v)
{
    const int n = VectorCount(v);
    for (int k = 1; k <= n; ++k)
        v[k] = 100.0L;
    v[6] = 25.0L;
}

void TargetVector(TVector& v)
{
    const int n = VectorCount(v);
    for (int k = 1; k <= n; ++k)
        v[k] = 100.0L;
    if (n >= 16)
        for (int k = 16; k <= n; ++k)
            v[k] = 0.0L;
    v[6] = 0.0L;
    v[7] = 0.0L;
    v[11] = 0.0L;
    v[12] = 0.0L;
}

void ScaleVector(TVector src, TVector& dst, double scale)
{
    const int n = VectorCount(src);
    const long double factor = scale > 0.0 ? scale : 100.0;
    double max = -1e11;
    double min = 1e12;
    for (int k = 1; k <= n; ++k) {
        if (src[k] > max)
            max = static_cast<double>(src[k]);
        if (src[k] < min)
            min = static_cast<double>(src[k]);
    }
    // The range is an extended subtraction stored as double.
    const double range = static_cast<double>(static_cast<long double>(max) - min);
    for (int k = 1; k <= n; ++k)
        dst[k] = (src[k] - min) * factor / (1e-15L + range);
}

TVector ZeroVector(int n)
{
    TVector v;
    v[0] = static_cast<long double>(n);
    return v;
}

}  // namespace zarudiv
