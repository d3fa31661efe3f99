#include "cli/number_list_option.h"

#include <algorithm>

namespace zarudiv {

std::string ListRange(const WholeNumber& option)
{
    return "a comma-separated list of whole numbers from " + std::to_string(option.low) + " to " +
           std::to_string(option.high);
}

NumberList ParseNumberList(const WholeNumber& option, std::string_view text)
{
    NumberList list;
    if (text.empty()) {
        list.error = option.name + " needs " + ListRange(option);
        return list;
    }
    const std::string bad =
        option.name + " needs " + ListRange(option) + " (got \"" + std::string(text) + "\")";
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::optional<std::uint64_t> value = option.parse(text.substr(at, comma - at));
        if (!value) {
            list.error = bad;
            list.values.clear();
            return list;
        }
        const int number = static_cast<int>(*value);
        if (std::find(list.values.begin(), list.values.end(), number) != list.values.end()) {
            list.error = option.name + " lists " + std::to_string(number) + " twice";
            list.values.clear();
            return list;
        }
        list.values.push_back(number);
        if (comma == text.size())
            return list;
        at = comma + 1;
    }
}

CLI::Option* AddNumberList(CLI::App& app, const WholeNumber& option,
                           std::function<void(std::vector<int>)> store)
{
    const std::string help = option.usage(", each ");
    return app
        .add_option_function<std::string>(
            option.name,
            [option, store = std::move(store)](const std::string& text) {
                NumberList list = ParseNumberList(option, text);
                if (!list.error.empty())
                    throw CLI::ValidationError(list.error);
                store(std::move(list.values));
            },
            WrapHelp(help))
        ->type_name(option.valueName + "[," + option.valueName + "...]")
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

}  // namespace zarudiv
