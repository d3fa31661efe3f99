#include "protocol/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zarudiv {

namespace {

std::string PadLeft(std::string text, int width)
{
    if (width > 0 && text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// The decimal digits of a magnitude: a carry digit and 18 digits of a' * 10^17,
// where a = a' * 10^e.
struct Digits {
    std::string text;  // 19 characters: the carry digit, then 18 digits
    int exponent = 0;  // e
};

// Scales a by powers of ten into 1 <= a' < 16. The power is estimated from the
// binary exponent (19728 / 65536 is just below log10(2)), so each round leaves
// a' >= 1 and the loop ends once the binary exponent is at most 3.
long double ScaleByTens(long double a, int& exponent)
{
    for (;;) {
        const int b = std::ilogb(a);
        const int t = static_cast<int>(std::floor(static_cast<double>(b) * 19728.0 / 65536.0));
        if (t == 0)
            return a;
        // Dividing by an exactly representable power of ten rounds once.
        a = t > 0 ? a / std::pow(10.0L, static_cast<long double>(t))
                  : a * std::pow(10.0L, static_cast<long double>(-t));
        exponent += t;
    }
}

Digits MakeDigits(long double scaled, int exponent)
{
    Digits digits;
    digits.exponent = exponent;
    const long double product = std::nearbyint(scaled * 1e17L);
    auto integer = static_cast<std::uint64_t>(product);
    char carry = '0';
    constexpr std::uint64_t kTen18 = 1000000000000000000ull;
    if (integer >= kTen18) {
        carry = '1';
        integer -= kTen18;
    }
    std::string eighteen(18, '0');
    for (int i = 17; i >= 0; --i) {
        eighteen[static_cast<std::size_t>(i)] = static_cast<char>('0' + integer % 10);
        integer /= 10;
    }
    digits.text = carry + eighteen;
    return digits;
}

// Keeps text[0..last] and rounds half away from zero on the digit after it.
void RoundAt(std::string& text, std::size_t last)
{
    if (last + 1 >= text.size() || text[last + 1] < '5')
        return;
    for (std::size_t i = last + 1; i-- > 0;) {
        if (text[i] != '9') {
            ++text[i];
            return;
        }
        text[i] = '0';
    }
}

std::string Special(long double value)
{
    if (std::isnan(value))
        return "Nan";
    return value > 0 ? "+Inf" : "-Inf";
}

}  // namespace

std::string FormatInteger(std::int64_t value, int width)
{
    return PadLeft(std::to_string(value), width);
}

std::string FormatReal(long double value, int width, int decimals)
{
    if (!std::isfinite(value))
        return PadLeft(Special(value), width);
    const int d = std::clamp(decimals, 0, 216);
    const bool negative = std::signbit(value);
    long double a = std::fabs(value);

    int k = 1;
    int e = 0;
    if (a >= 10.0L) {
        a = ScaleByTens(a, e);
        if (e > 35)
            return FormatScientific(value, width);
        k = e + 1;
    }
    Digits digits = MakeDigits(a, e);
    std::string& s = digits.text;
    const auto keep = static_cast<std::size_t>(k + d);
    if (keep < 18)
        RoundAt(s, keep);
    s.resize(std::min<std::size_t>(s.size(), keep + 1));
    if (keep > 18)
        s.append(keep - 18, '0');

    std::string text = negative ? "-" : "";
    // A carry digit of 1 is one more integer digit; a carry digit of 0 is dropped.
    if (s[0] != '0')
        text += s.substr(0, static_cast<std::size_t>(k) + 1);
    else
        text += s.substr(1, static_cast<std::size_t>(k));
    if (d > 0) {
        text += '.';
        text += s.substr(static_cast<std::size_t>(k) + 1, static_cast<std::size_t>(d));
    }
    return PadLeft(text, width);
}

std::string FormatScientific(long double value, int width)
{
    if (!std::isfinite(value))
        return PadLeft(Special(value), width);
    const int n = std::clamp(width - 8, 2, 18);
    const bool negative = std::signbit(value);
    long double a = std::fabs(value);
    int e = 0;
    if (a != 0.0L)
        a = ScaleByTens(a, e);
    Digits digits = MakeDigits(a, e);
    std::string& s = digits.text;
    std::size_t first = s[0] != '0' ? 0 : 1;
    RoundAt(s, first + static_cast<std::size_t>(n) - 1);
    if (first == 1 && s[0] != '0')
        first = 0;  // the rounding carried into the carry digit
    int exponent = e + (first == 0 ? 1 : 0);
    if (a == 0.0L)
        exponent = 0;
    const std::string significant = s.substr(first, static_cast<std::size_t>(n));

    std::string text(1, negative ? '-' : ' ');
    text += significant[0];
    text += '.';
    text += significant.substr(1);
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    std::string digitsOfExponent = std::to_string(std::abs(exponent));
    text += std::string(4 - std::min<std::size_t>(4, digitsOfExponent.size()), '0') +
            digitsOfExponent;
    return PadLeft(text, width);
}

}  // namespace zarudiv
