// Extended reals written and read back: every bit of the ten value bytes,
// checked against the C library's own %La and strtold.

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "edge/extended_real.h"

namespace {

using zarudiv::ExtendedDecimal;
using zarudiv::ExtendedHex;
using zarudiv::ParseExtendedHex;

long double FromBits(std::uint64_t significand, unsigned signAndExponent)
{
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &significand, 8);
    bytes[8] = static_cast<unsigned char>(signAndExponent & 0xFF);
    bytes[9] = static_cast<unsigned char>(signAndExponent >> 8);
    long double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

struct Extreme {
    const char* name;
    long double value;
};

const Extreme kExtremes[] = {
    {"zero", 0.0L},
    {"negative zero", -0.0L},
    {"one", 1.0L},
    {"minus pi", -3.14159265358979323846264338327950288L},
    {"a third", 1.0L / 3.0L},
    {"just above one", std::nextafter(1.0L, 2.0L)},
    {"largest", LDBL_MAX},
    {"most negative", -LDBL_MAX},
    {"smallest normal", LDBL_MIN},
    {"largest subnormal", LDBL_MIN - LDBL_TRUE_MIN},
    {"smallest subnormal", LDBL_TRUE_MIN},
    {"negative smallest subnormal", -LDBL_TRUE_MIN},
    {"a double's tenth", 0.1},
    {"infinity", std::numeric_limits<long double>::infinity()},
    {"negative infinity", -std::numeric_limits<long double>::infinity()},
    {"quiet NaN", std::numeric_limits<long double>::quiet_NaN()},
    {"negative quiet NaN", -std::numeric_limits<long double>::quiet_NaN()},
    {"signalling NaN with a payload", FromBits(0x8000000000000123ULL, 0x7FFF)},
    {"NaN with every payload bit", FromBits(0xFFFFFFFFFFFFFFFFULL, 0xFFFF)},
};

TEST(ExtendedRealTest, EveryExtremeComesBackBitForBit)
{
    for (const Extreme& extreme : kExtremes) {
        SCOPED_TRACE(extreme.name);
        const std::string text = ExtendedHex(extreme.value);
        const std::optional<long double> back = ParseExtendedHex(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_TRUE(SameBits(*back, extreme.value)) << text;
        // A finite value is written as the C library writes %La.
        if (std::isfinite(extreme.value)) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%La", extreme.value);
            EXPECT_EQ(text, expected);
            EXPECT_TRUE(SameBits(std::strtold(text.c_str(), nullptr), extreme.value)) << text;
        }
    }
    EXPECT_EQ(ExtendedHex(std::numeric_limits<long double>::quiet_NaN()), "nan(0xc000000000000000)");
    EXPECT_EQ(ExtendedHex(-std::numeric_limits<long double>::infinity()), "-inf");
}

TEST(ExtendedRealTest, OtherSpellingsOfANumberAreTakenAsTheLibraryTakesThem)
{
    for (const char* text : {"0x1p+0", "0X.8P1", "+0x10p-4", "0x0.0000000000000001p+64",
                             "0xA.BCDEFp+100", "0x1p-16445", "-0x0p-99", "0x000000000000000000001p0",
                             "0xffffffffffffffff0p-68"}) {
        SCOPED_TRACE(text);
        const std::optional<long double> value = ParseExtendedHex(text);
        ASSERT_TRUE(value.has_value());
        EXPECT_TRUE(SameBits(*value, std::strtold(text, nullptr)));
    }
}

TEST(ExtendedRealTest, MalformedOrInexactTextGivesNothing)
{
    for (const char* text :
         {"", "0x", "0x1", "0x1p", "0x1p+", "0xp0", "0x.p0", "1.5", "1p0", " 0x1p0", "0x1p0 ",
          "0x1p0x", "0x1.8.8p0", "--0x1p0", "0x-1p0", "0x1p++1", "0x1g0", "nan", "nan()",
          "nan(0x)", "nan(0x8000000000000000)", "nan(0x10000000000000000)", "nan(0x1", "infinity",
          "0x1p+16384",                  // overflows
          "0x1p-16446",                  // below the smallest subnormal
          "0x1.00000000000000001p+0",    // needs more than 64 bits
          "0x1.0000000000000002p-16383",  // a subnormal that would lose its last bit
          "0x1p1234567890"}) {
        EXPECT_FALSE(ParseExtendedHex(text).has_value()) << '"' << text << '"';
    }
}

TEST(ExtendedRealTest, DecimalsReadBackExactly)
{
    for (const Extreme& extreme : kExtremes) {
        if (!std::isfinite(extreme.value))
            continue;
        const std::string text = ExtendedDecimal(extreme.value);
        EXPECT_TRUE(SameBits(std::strtold(text.c_str(), nullptr), extreme.value))
            << extreme.name << ": " << text;
    }
    EXPECT_EQ(ExtendedDecimal(-3.14159265358979323846264338327950288L), "-3.14159265358979323851");
    EXPECT_EQ(ExtendedDecimal(LDBL_MAX, 5), "1.1897e+4932");
    EXPECT_EQ(ExtendedDecimal(0.5L), "0.5");
}

TEST(ExtendedRealTest, ALocaleWithADecimalCommaChangesNothing)
{
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = name;
            break;
        }
    if (!comma)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(ExtendedDecimal(0.5L), "0.5");
    EXPECT_EQ(ExtendedHex(1.5L), "0xcp-3");
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
