#include "evolution/diffusion_model.h"

#include <cmath>

namespace zarudiv {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;
}

long double CosineFactor(int j, int k, int n)
{
    const double N = n;
    return std::cos((static_cast<long double>(j) * kPi * static_cast<long double>(k)) / N);
}

void DiffusionStep(TVector A, TVector B, TVector& S, double wA, double wB)
{
    const int n = VectorCount(S);
    const int m = VectorCount(A);
    TVector T;
    T[0] = static_cast<long double>(n);
    for (int k = 1; k <= n; ++k)
        T[k] = S[k];
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= m; ++j) {
            for (int k = i - j; k <= i + j; ++k) {
                if (!InRange(k, n))
                    continue;
                const long double c = CosineFactor(j, k, n);
                T[k] = T[k] + (c * (S[i] * A[j])) * wA;
                T[k] = T[k] - (c * (S[i] * B[j])) * wB;
            }
        }
    }
    for (int k = 1; k <= n; ++k)
        S[k] = T[k];
}

double SquaredDistance(TVector X, TVector Y, Generator& gen)
{
    const int n = VectorCount(X);
    double sum = 0.0;
    TVector scratch;
    MakeVector(n, scratch, gen);
    for (int k = 1; k <= n; ++k) {
        const long double diff = X[k] - Y[k];
        scratch[k] = diff * diff;
        sum = static_cast<double>(scratch[k] + sum);
    }
    return sum;
}

double Quality(TVector target, TVector state, Generator& gen)
{
    const int n = VectorCount(target);
    TVector scratch;
    MakeVector(n, scratch, gen);
    const double squared = SquaredDistance(target, state, gen);
    return static_cast<double>(std::sqrt(static_cast<long double>(squared)));
}

}  // namespace zarudiv
