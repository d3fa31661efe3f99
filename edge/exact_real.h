#pragma once
// Reals for files that other programs read back (CSV, logs).

#include <charconv>
#include <string>

namespace zarudiv {

// A real with 17 significant digits (as %.17g, trailing zeros dropped), which
// reads back as the same double. to_chars ignores the locale: Qt sets
// LC_NUMERIC from the environment, and printf would then write decimal commas.
inline std::string ExactReal(double value)
{
    char text[32];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    return error == std::errc() ? std::string(text, end) : std::string("nan");
}

}  // namespace zarudiv
