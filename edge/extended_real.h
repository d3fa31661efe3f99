#pragma once
// 80-bit extended reals (long double on x86-64) in files that are read back
// (laws, checkpoints): a hexadecimal form that gives back every bit, and a
// decimal one for people. Both ignore the locale.

#include <optional>
#include <string>
#include <string_view>

namespace zarudiv {

// The 64-bit significand as 16 hexadecimal digits around the point after
// the first, trailing zeros dropped, and the power of two:
// "-0xc.90fdaa22168c235p-2" for -pi, "0x8p-3" for 1, "0x0p+0", "-0x0p+0",
// "0x0.000000000000001p-16385" for the smallest subnormal; "inf", "-inf",
// and "nan(0xc000000000000000)" with the significand's bits for a NaN, so
// that its sign and payload come back too. (Pseudo-denormals, which no
// arithmetic makes, come back as the normal number they equal.)
std::string ExtendedHex(long double value);

// The value of such a text, bit for bit, when the whole text is one and the
// value is exact in 80 bits (no rounding, no overflow); nothing otherwise.
// Also takes the other spellings of the same number ("0x1p+0", "0X.8P1",
// capitals, a leading "+").
std::optional<long double> ParseExtendedHex(std::string_view text);

// Decimal with the given significant digits (21 read back exactly), as %.21Lg
// would write it in the C locale: "3.14159265358979323851", "1e+4932",
// "inf", "-nan".
std::string ExtendedDecimal(long double value, int significantDigits = 21);

}  // namespace zarudiv
