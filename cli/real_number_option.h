#pragma once
// Options that take a real number, or a comma-separated list of them, each
// within a range: "--alpha 0.05", "--targets 180,170.5,165".

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarudiv {

struct RealNumber {
    std::string name;       // "--alpha"
    std::string valueName;  // "A"
    double low = 0.0;
    double high = 0.0;
    bool lowIncluded = true;
    bool highIncluded = true;
    std::string help;

    // "a number greater than 0 and less than 1"
    std::string range() const;
    // The number, when the whole text is one (decimal, finite) within the range.
    std::optional<double> parse(std::string_view text) const;
};

// The numbers, or an error text naming the option; none twice, at most
// maxCount of them.
struct RealList {
    std::vector<double> values;
    std::string error;
};
RealList ParseRealList(const RealNumber& option, std::string_view text, std::size_t maxCount);

// Given twice, the last counts; a bad value ends the parse with a
// CLI::ValidationError carrying the message.
CLI::Option* AddReal(CLI::App& app, const RealNumber& option, std::function<void(double)> store);
CLI::Option* AddRealList(CLI::App& app, const RealNumber& option, std::size_t maxCount,
                         std::function<void(std::vector<double>)> store);

}  // namespace zarudiv
