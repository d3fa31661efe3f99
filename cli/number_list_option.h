#pragma once
// An option that takes a comma-separated list of whole numbers, each in the
// range of a WholeNumber, none twice: "--generations 100,200,500".

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/option_declarations.h"

namespace zarudiv {

// "a comma-separated list of whole numbers from 1 to 10000"
std::string ListRange(const WholeNumber& option);

// The numbers, or an error text naming the option.
struct NumberList {
    std::vector<int> values;
    std::string error;
};
NumberList ParseNumberList(const WholeNumber& option, std::string_view text);

// Declares the option on app; a bad list ends the parse with a
// CLI::ValidationError carrying the message. Given twice, the last counts.
CLI::Option* AddNumberList(CLI::App& app, const WholeNumber& option,
                           std::function<void(std::vector<int>)> store);

}  // namespace zarudiv
