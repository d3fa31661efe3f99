#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "protocol/number_format.h"

using zarudiv::FormatInteger;
using zarudiv::FormatReal;
using zarudiv::FormatScientific;

namespace {

struct RealCase {
    const char* name;
    long double value;
    int width;
    int decimals;
    const char* text;
};

class FormatRealTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(FormatRealTest, WritesTheField)
{
    const RealCase& c = GetParam();
    EXPECT_EQ(FormatReal(c.value, c.width, c.decimals), c.text);
}

// The worked values of the protocol's number formats, and the rounding rules
// around them.
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, FormatRealTest,
    ::testing::Values(
        RealCase{"Hundred", 100.0, 5, 0, "  100"}, RealCase{"Ten", 10.0, 3, 0, " 10"},
        RealCase{"Thirty", 30.0, 10, 0, "        30"},
        RealCase{"HalfRoundsAwayFromZero", 2.5, 5, 0, "    3"},
        RealCase{"HalfBelowOne", 0.5, 5, 0, "    1"},
        RealCase{"HalfWithDecimals", 0.5, 5, 10, "0.5000000000"},
        RealCase{"NegativeTenth", -0.1, 5, 10, "-0.1000000000"},
        RealCase{"Quality", 283.94541729001367, 5, 10, "283.9454172900"},
        RealCase{"RoundingCarriesIntoNewDigit", 9.99, 4, 1, "10.0"},
        RealCase{"TenToTheForty", 1e40L, 10, 10, " 1.0E+0040"},
        RealCase{"MinusTenToTheForty", -1e40L, 5, 10, "-1.0E+0040"},
        RealCase{"PlusInfinity", std::numeric_limits<long double>::infinity(), 5, 10, " +Inf"},
        RealCase{"MinusInfinity", -std::numeric_limits<long double>::infinity(), 5, 10, " -Inf"},
        RealCase{"NotANumber", std::numeric_limits<long double>::quiet_NaN(), 5, 10, "  Nan"},
        RealCase{"NegativeZero", -0.0, 1, 2, "-0.00"},
        RealCase{"NegativeRoundsToZero", -0.001, 1, 2, "-0.00"},
        RealCase{"Zero", 0.0, 10, 10, "0.0000000000"},
        RealCase{"CountWithOneDecimal", 12.0, 10, 1, "      12.0"},
        RealCase{"CountZero", 0.0, 10, 1, "       0.0"},
        RealCase{"PrecisionHundred", 100.0, 10, 10, "100.0000000000"},
        RealCase{"TenMillion", 10000000.0, 5, 10, "10000000.0000000000"},
        RealCase{"NoDecimalPoint", 42.0, 1, 0, "42"},
        RealCase{"NinesCarryIntoTheCarryDigit", 99.996, 1, 2, "100.00"},
        RealCase{"LongFixedPadsWithZeros", 1e22L, 1, 2, "10000000000000000000000.00"},
        RealCase{"SmallStep", 1e-7, 5, 10, "0.0000001000"},
        RealCase{"TinyValueRoundsAway", 4e-11, 1, 10, "0.0000000000"},
        RealCase{"TinyValueRoundsUp", 6e-11, 1, 10, "0.0000000001"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FormatRealTest, ScientificFromAbout1e36)
{
    EXPECT_EQ(FormatReal(1e35L, 1, 0).size(), 36u);
    EXPECT_EQ(FormatReal(2e36L, 12, 0), " 2.000E+0036");
}

TEST(FormatRealTest, FieldLongerThanWidthIsNeverCut)
{
    EXPECT_EQ(FormatReal(-0.1, 5, 10).size(), 13u);
    EXPECT_EQ(FormatReal(123456.0, 2, 0), "123456");
}

TEST(FormatScientificTest, SignificantDigitsFollowTheWidth)
{
    // width - 8 digits, at least 2 and at most 18.
    EXPECT_EQ(FormatScientific(1.5e40L, 5), " 1.5E+0040");
    EXPECT_EQ(FormatScientific(1.25e40L, 12), " 1.250E+0040");
    EXPECT_EQ(FormatScientific(-9.96e40L, 10), "-1.0E+0041");
    EXPECT_EQ(FormatScientific(1e40L, 40).size(), 40u);
}

TEST(FormatIntegerTest, PlainDecimalRightAligned)
{
    EXPECT_EQ(FormatInteger(42, 10), "        42");
    EXPECT_EQ(FormatInteger(-7, 3), " -7");
    EXPECT_EQ(FormatInteger(12345, 2), "12345");
    EXPECT_EQ(FormatInteger(0, 0), "0");
}

}  // namespace
