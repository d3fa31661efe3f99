#pragma once
// Command-line options declared once, for the runner and the series: a
// whole number's name, range and help feed the parser, the error messages and
// the usage text; text options refuse what would go wrong later.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarudiv {

struct WholeNumber {
    std::string name;       // "--generations"
    std::string valueName;  // "G"
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::string help;  // what the number is: "generations"
    std::string note;  // said after the range: "(ScrollBar1; 0: never moved)"

    // "a whole number from 0 to 10000"
    std::string range() const;
    // The number, when the text is one (decimal digits only) within the range.
    std::optional<std::uint64_t> parse(std::string_view text) const;
    // "--generations needs a whole number from 0 to 10000 (got "x")"; without
    // a text when the option came without a value.
    std::string badValue(std::string_view text) const;
    // The help line: "generations, 0..10000 (note)", with `beforeRange`
    // between the help and the range.
    std::string usage(const std::string& beforeRange) const;
    // "--generations is missing: give a whole number from 0 to 10000"
    std::string missing() const;
};

// Declares the option on app. The value is checked and handed to store while
// the command line is parsed; a bad or missing value ends the parse with a
// CLI::ValidationError carrying badValue's message. Given twice, the last
// value counts.
CLI::Option* AddWholeNumber(CLI::App& app, const WholeNumber& option,
                            std::function<void(std::uint64_t)> store);

// A text option; a value given twice counts last.
enum class TextCheck {
    NotEmpty,
    // Also at most 250 characters, as a protocol's first line keeps a name
    // (a longer one would be cut and name another file), and no control
    // character (a line break would split that line).
    FileName,
};
CLI::Option* AddText(CLI::App& app, const std::string& name, const std::string& valueName,
                     const std::string& help, const std::string& needs,
                     std::function<void(const std::string&)> store,
                     TextCheck check = TextCheck::NotEmpty);

// Parses the arguments (without the program's name); the message of what was
// wrong, an unknown argument's included, or "". A file name or directory
// (value name FILE or DIR) that starts with a dash gets its own message;
// options given more than once add a warning each.
std::string ParseArguments(CLI::App& app, const std::vector<std::string>& args,
                           std::vector<std::string>* warnings = nullptr);

// Help text broken into lines for the usage's option column.
std::string WrapHelp(const std::string& text);

}  // namespace zarudiv
