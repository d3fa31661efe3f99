#include "dashboard/request_checks.h"

#include <charconv>

namespace zarudiv {

namespace {

constexpr std::size_t kMaxParameterLength = 32;

}  // namespace

std::optional<std::int64_t> ParseBounded(std::string_view text, std::int64_t low, std::int64_t high)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseId(std::string_view text)
{
    return ParseBounded(text, 1, 999'999'999'999'999'999);
}

std::string CheckParameterNames(const std::multimap<std::string, std::string>& params,
                                const std::set<std::string>& allowed)
{
    for (auto it = params.begin(); it != params.end(); ++it) {
        const std::string shown = it->first.size() > kMaxParameterLength
                                      ? it->first.substr(0, kMaxParameterLength) + "..."
                                      : it->first;
        if (allowed.count(it->first) == 0)
            return "unknown parameter '" + shown + "'";
        if (params.count(it->first) > 1)
            return "parameter '" + shown + "' given more than once";
        if (it->second.size() > kMaxParameterLength)
            return "parameter '" + shown + "' is longer than " +
                   std::to_string(kMaxParameterLength) + " characters";
    }
    return {};
}

}  // namespace zarudiv
