#include "cli/real_number_option.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "cli/option_declarations.h"
#include "edge/exact_real.h"

namespace zarudiv {

namespace {

std::string Number(double value)
{
    return ExactReal(value);
}

}  // namespace

std::string RealNumber::range() const
{
    std::string text = std::string("a number ") + (lowIncluded ? "from " : "greater than ") + Number(low);
    if (std::isfinite(high))
        text += std::string(!highIncluded ? " and less than " : lowIncluded ? " to " : " and at most ") +
                Number(high);
    return text;
}

std::optional<double> RealNumber::parse(std::string_view text) const
{
    double value = 0.0;
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes no sign "+", no spaces and no locale's comma.
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    if (value < low || (value == low && !lowIncluded) || value > high || (value == high && !highIncluded))
        return std::nullopt;
    return value;
}

RealList ParseRealList(const RealNumber& option, std::string_view text, std::size_t maxCount)
{
    RealList list;
    const std::string needs = option.name + " needs a comma-separated list of at most " +
                              std::to_string(maxCount) + " numbers, each " +
                              option.range().substr(std::string("a number ").size());
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::optional<double> value = option.parse(text.substr(at, comma - at));
        if (!value || list.values.size() == maxCount) {
            list.error = needs + " (got \"" + std::string(text) + "\")";
            list.values.clear();
            return list;
        }
        if (std::find(list.values.begin(), list.values.end(), *value) != list.values.end()) {
            list.error = option.name + " lists " + std::string(text.substr(at, comma - at)) + " twice";
            list.values.clear();
            return list;
        }
        list.values.push_back(*value);
        if (comma == text.size())
            return list;
        at = comma + 1;
    }
}

CLI::Option* AddReal(CLI::App& app, const RealNumber& option, std::function<void(double)> store)
{
    return app
        .add_option_function<std::string>(
            option.name,
            [option, store = std::move(store)](const std::string& text) {
                const std::optional<double> value = option.parse(text);
                if (!value)
                    throw CLI::ValidationError(option.name + " needs " + option.range() +
                                               (text.empty() ? "" : " (got \"" + text + "\")"));
                store(*value);
            },
            WrapHelp(option.help))
        ->type_name(option.valueName)
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CLI::Option* AddRealList(CLI::App& app, const RealNumber& option, std::size_t maxCount,
                         std::function<void(std::vector<double>)> store)
{
    return app
        .add_option_function<std::string>(
            option.name,
            [option, maxCount, store = std::move(store)](const std::string& text) {
                RealList list = ParseRealList(option, text, maxCount);
                if (!list.error.empty())
                    throw CLI::ValidationError(list.error);
                store(std::move(list.values));
            },
            WrapHelp(option.help))
        ->type_name(option.valueName + "[," + option.valueName + "...]")
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

}  // namespace zarudiv
