#pragma once
// The number formats of the protocol file. Fields are right-aligned and padded
// with blanks to their width; a longer text is written whole.

#include <cstdint>
#include <string>

namespace zarudiv {

// Integer: decimal digits, "-" for negatives.
std::string FormatInteger(std::int64_t value, int width);

// Real in fixed form with `decimals` digits after the point ("Nan", "+Inf",
// "-Inf" for the special values; the sign comes from the sign bit; the decimal
// digits are rounded half away from zero). From about 1.3e36 on the scientific
// form with the same width is used instead.
std::string FormatReal(long double value, int width, int decimals);

// Real in scientific form: width - 8 significant digits (2..18), a blank or
// "-" for the sign, "E", the exponent's sign and four exponent digits.
std::string FormatScientific(long double value, int width);

}  // namespace zarudiv
