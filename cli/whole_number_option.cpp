#include "cli/whole_number_option.h"

#include <algorithm>
#include <charconv>

namespace zarudiv {

std::string WholeNumber::range() const
{
    return "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
}

std::optional<std::uint64_t> WholeNumber::parse(std::string_view text) const
{
    std::uint64_t value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string WholeNumber::badValue(std::string_view text) const
{
    std::string message = name + " needs " + range();
    if (!text.empty())
        message += " (got \"" + std::string(text) + "\")";
    return message;
}

std::string WholeNumber::missing() const { return name + " is missing: give " + range(); }

CLI::Option* AddWholeNumber(CLI::App& app, const WholeNumber& option,
                            std::function<void(std::uint64_t)> store)
{
    std::string help = option.help + ", " + std::to_string(option.low) + ".." +
                       std::to_string(option.high);
    if (!option.note.empty())
        help += " " + option.note;
    // A value of its own is optional to CLI11, so that an option given without
    // one reaches the check below and gets this option's own message.
    return app
        .add_option_function<std::string>(
            option.name,
            [option, store = std::move(store)](const std::string& text) {
                const std::optional<std::uint64_t> value = option.parse(text);
                if (!value)
                    throw CLI::ValidationError(option.badValue(text));
                store(*value);
            },
            WrapHelp(help))
        ->type_name(option.valueName)
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

std::string WrapHelp(const std::string& text)
{
    constexpr std::size_t kWidth = 58;
    std::string wrapped;
    std::size_t lineLength = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::size_t length = end - at;
        if (lineLength > 0 && lineLength + 1 + length > kWidth) {
            wrapped += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            wrapped += ' ';
            ++lineLength;
        }
        wrapped.append(text, at, length);
        lineLength += length;
        at = end + 1;
    }
    return wrapped;
}

std::string UnknownArgument(const CLI::App& app)
{
    const std::vector<std::string> rest = app.remaining();
    if (rest.empty())
        return {};
    return "unknown option \"" + rest.front() + "\" (see --help)";
}

}  // namespace zarudiv
