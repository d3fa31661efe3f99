#pragma once
// The one vector record of the program: 101 extended-precision reals, element 0
// holding the element count n, elements 1..n the values.

#include <array>
#include <cstddef>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the numerics need the 80-bit x87 extended format for long double");

namespace zarudiv {

class Generator;

struct TVector {
    static constexpr int kSize = 101;
    std::array<long double, kSize> e{};

    long double& operator[](int i) { return e[static_cast<std::size_t>(i)]; }
    const long double& operator[](int i) const { return e[static_cast<std::size_t>(i)]; }
    friend bool operator==(const TVector&, const TVector&) = default;
};

// Nearest integer, halves to the even neighbour (the FPU's default rounding).
int RoundToInt(long double x);

// n as stored in element 0.
inline int VectorCount(const TVector& v) { return RoundToInt(v[0]); }

// v[0] := n; v[k] := Random + k for k = 1..n (n draws).
void InitVector(int n, TVector& v, Generator& gen);
// v[k] := 0 for k = 1..n; element 0 and the elements above n stay.
void ClearVector(TVector& v);
// All 100 with a dip to 25 at element 6 (written whatever n is).
void StartVector(TVector& v);
// Three blocks of 100 separated by zeros; zeros from element 16 on.
void TargetVector(TVector& v);
// dst[k] := (src[k] - min) * scale' / (1e-15 + (max - min)); scale' = 100 unless scale > 0.
void ScaleVector(TVector src, TVector& dst, double scale);

// The usual way to make a vector of length n: InitVector then ClearVector (n draws).
inline void MakeVector(int n, TVector& v, Generator& gen)
{
    InitVector(n, v, gen);
    ClearVector(v);
}

// A vector of count n with all values 0, made without drawing.
TVector ZeroVector(int n);

}  // namespace zarudiv
