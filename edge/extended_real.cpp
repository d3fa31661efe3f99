#include "edge/extended_real.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

namespace zarudiv {

namespace {

static_assert(std::numeric_limits<long double>::digits == 64, "long double must be x87 extended");

constexpr int kBias = 16383;
constexpr int kMaxExponent = 0x7FFF;  // infinities and NaNs
constexpr std::uint64_t kIntegerBit = 0x8000000000000000ULL;
constexpr char kHexDigits[] = "0123456789abcdef";
// Seventeen hexadecimal digits, 68 bits, before they are cut to 64.
__extension__ using Wide = unsigned __int128;

// The ten bytes of the value: the significand with its explicit integer bit,
// then sign and biased exponent (x86 is little-endian).
struct Bits {
    std::uint64_t significand = 0;
    int exponent = 0;
    bool negative = false;
};

Bits BitsOf(long double value)
{
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &value, sizeof value);
    Bits bits;
    std::memcpy(&bits.significand, bytes, 8);
    const unsigned top = bytes[8] | (static_cast<unsigned>(bytes[9]) << 8);
    bits.exponent = static_cast<int>(top & 0x7FFF);
    bits.negative = (top & 0x8000) != 0;
    return bits;
}

long double ValueOf(const Bits& bits)
{
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &bits.significand, 8);
    const unsigned top = static_cast<unsigned>(bits.exponent) | (bits.negative ? 0x8000u : 0u);
    bytes[8] = static_cast<unsigned char>(top & 0xFF);
    bytes[9] = static_cast<unsigned char>(top >> 8);
    long double value = 0.0L;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::string Hex16(std::uint64_t value)
{
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kHexDigits[value & 0xF];
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Lower(text[i]) != lower[i])
            return false;
    return true;
}

// "nan(0x" 1 to 16 hex digits ")": any significand but the infinity's.
std::optional<Bits> ParseNan(std::string_view text, bool negative)
{
    if (text.size() < 8 || !EqualsIgnoringCase(text.substr(0, 6), "nan(0x") || text.back() != ')')
        return std::nullopt;
    const std::string_view digits = text.substr(6, text.size() - 7);
    if (digits.empty() || digits.size() > 16)
        return std::nullopt;
    std::uint64_t significand = 0;
    for (char c : digits) {
        const int digit = HexValue(c);
        if (digit < 0)
            return std::nullopt;
        significand = significand << 4 | static_cast<std::uint64_t>(digit);
    }
    if (significand == kIntegerBit)
        return std::nullopt;
    return Bits{significand, kMaxExponent, negative};
}

// "0x" digits ["." digits] "p" [sign] decimal digits, exact in 80 bits.
std::optional<Bits> ParseNumber(std::string_view text, bool negative)
{
    if (text.size() < 2 || text[0] != '0' || Lower(text[1]) != 'x')
        return std::nullopt;
    std::size_t at = 2;
    std::string digits;  // integer and fraction digits, the point taken out
    std::int64_t fractionDigits = 0;
    bool point = false;
    bool anyDigit = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (HexValue(c) < 0)
            break;
        anyDigit = true;
        // Leading zeros carry no bits; only where they stand counts.
        if (!digits.empty() || c != '0')
            digits += c;
        if (point)
            ++fractionDigits;
    }
    if (!anyDigit || at == text.size() || Lower(text[at]) != 'p')
        return std::nullopt;
    ++at;
    bool negativePower = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negativePower = text[at++] == '-';
    if (at == text.size() || text.size() - at > 9)
        return std::nullopt;
    std::int64_t power = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9')
            return std::nullopt;
        power = power * 10 + (text[at] - '0');
    }
    if (negativePower)
        power = -power;

    std::int64_t scale = power - 4 * fractionDigits;
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        scale += 4;
    }
    if (digits.empty())
        return Bits{0, 0, negative};
    // Seventeen digits may still span 64 bits; eighteen never do.
    if (digits.size() > 17)
        return std::nullopt;
    Wide m = 0;
    for (char c : digits)
        m = m << 4 | static_cast<unsigned>(HexValue(c));
    const int length = 128 - (static_cast<std::uint64_t>(m >> 64) != 0
                                  ? std::countl_zero(static_cast<std::uint64_t>(m >> 64))
                                  : 64 + std::countl_zero(static_cast<std::uint64_t>(m)));
    if (length > 64) {
        const int shift = length - 64;
        if ((m & ((Wide{1} << shift) - 1)) != 0)
            return std::nullopt;
        m >>= shift;
        scale += shift;
    } else {
        m <<= 64 - length;
        scale -= 64 - length;
    }
    std::uint64_t significand = static_cast<std::uint64_t>(m);
    const std::int64_t biased = scale + 63 + kBias;
    if (biased >= kMaxExponent)
        return std::nullopt;
    if (biased >= 1)
        return Bits{significand, static_cast<int>(biased), negative};
    const std::int64_t shift = 1 - biased;
    if (shift > 63 || (significand & ((std::uint64_t{1} << shift) - 1)) != 0)
        return std::nullopt;
    significand >>= shift;
    return Bits{significand, 0, negative};
}

}  // namespace

std::string ExtendedHex(long double value)
{
    const Bits bits = BitsOf(value);
    const std::string sign = bits.negative ? "-" : "";
    if (bits.exponent == kMaxExponent) {
        if (bits.significand == kIntegerBit)
            return sign + "inf";
        return sign + "nan(0x" + Hex16(bits.significand) + ")";
    }
    if (bits.significand == 0)
        return sign + "0x0p+0";
    // A subnormal has the smallest normal exponent and no integer bit.
    const int power = (bits.exponent == 0 ? 1 : bits.exponent) - kBias - 3;
    std::string rest = Hex16(bits.significand).substr(1);
    while (!rest.empty() && rest.back() == '0')
        rest.pop_back();
    std::string text = sign + "0x" + kHexDigits[bits.significand >> 60];
    if (!rest.empty())
        text += "." + rest;
    text += power < 0 ? "p-" : "p+";
    text += std::to_string(power < 0 ? -power : power);
    return text;
}

std::optional<long double> ParseExtendedHex(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::optional<Bits> bits;
    if (EqualsIgnoringCase(text, "inf"))
        bits = Bits{kIntegerBit, kMaxExponent, negative};
    else if (!text.empty() && Lower(text[0]) == 'n')
        bits = ParseNan(text, negative);
    else
        bits = ParseNumber(text, negative);
    if (!bits)
        return std::nullopt;
    return ValueOf(*bits);
}

std::string ExtendedDecimal(long double value, int significantDigits)
{
    char text[128];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value,
                                            std::chars_format::general, significantDigits);
    return error == std::errc() ? std::string(text, end) : std::string("nan");
}

}  // namespace zarudiv
