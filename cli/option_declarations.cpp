#include "cli/option_declarations.h"

#include <algorithm>
#include <charconv>

#include "protocol/protocol_file.h"

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

std::string WholeNumber::usage(const std::string& beforeRange) const
{
    std::string text = help + beforeRange + std::to_string(low) + ".." + std::to_string(high);
    if (!note.empty())
        text += " " + note;
    return text;
}

std::string WholeNumber::missing() const { return name + " is missing: give " + range(); }

CLI::Option* AddWholeNumber(CLI::App& app, const WholeNumber& option,
                            std::function<void(std::uint64_t)> store)
{
    const std::string help = option.usage(", ");
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

CLI::Option* AddText(CLI::App& app, const std::string& name, const std::string& valueName,
                     const std::string& help, const std::string& needs,
                     std::function<void(const std::string&)> store, TextCheck check)
{
    return app
        .add_option_function<std::string>(
            name,
            [name, needs, check, store = std::move(store)](const std::string& text) {
                if (text.empty())
                    throw CLI::ValidationError(name + " needs " + needs);
                if (check == TextCheck::FileName) {
                    if (CutFileName(text) != text)
                        throw CLI::ValidationError(name + " needs " + needs + " of at most " +
                                                   std::to_string(kMaxFileNameLength) +
                                                   " characters");
                    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
                        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                    });
                    if (control)
                        throw CLI::ValidationError(name + " needs " + needs +
                                                   " without control characters (line breaks, "
                                                   "tabs)");
                }
                store(text);
            },
            WrapHelp(help))
        ->type_name(valueName)
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

namespace {

// The first argument CLI11 left over, as an error message; empty when none.
std::string UnknownArgument(const CLI::App& app)
{
    const std::vector<std::string> rest = app.remaining();
    if (rest.empty())
        return {};
    return "unknown option \"" + rest.front() + "\" (see --help)";
}

// A name that starts with a dash is taken for an option of its own, and the
// option before it gets no value: say so, and how to give such a name.
std::string DashedName(const CLI::App& app, const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        const CLI::Option* option = app.get_option_no_throw(args[i]);
        const std::string& next = args[i + 1];
        if (!option || next.size() < 2 || next[0] != '-' || app.get_option_no_throw(next))
            continue;
        const std::string type = option->get_type_name();
        if (type != "FILE" && type != "DIR")
            continue;
        return args[i] + " needs " + (type == "FILE" ? "a file name" : "a directory") + ", and " +
               next + " starts with a dash, which makes it an option: write " + args[i] + "=" +
               next + " or " + args[i] + " ./" + next;
    }
    return {};
}

}  // namespace

std::string ParseArguments(CLI::App& app, const std::vector<std::string>& args,
                           std::vector<std::string>* warnings)
{
    if (std::string problem = DashedName(app, args); !problem.empty())
        return problem;
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    if (std::string unknown = UnknownArgument(app); !unknown.empty())
        return unknown;
    // A value given twice is often an edited command line that kept the old
    // one: the last counts, and that is said.
    if (warnings)
        for (const CLI::Option* option : app.get_options())
            if (option->count() > 1 && option->get_expected_max() > 0 && !option->results().empty())
                warnings->push_back(option->get_name() + " is given " +
                                    std::to_string(option->count()) + " times; the last, " +
                                    option->results().back() + ", is taken");
    return {};
}


}  // namespace zarudiv
