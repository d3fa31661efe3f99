#pragma once
// What a request may say, checked before anything is looked up: ids are
// decimal numbers of at most 18 digits, parameters are known names with
// short values in their ranges. Nothing of a request reaches SQL but bound
// numbers, and nothing of it names a file.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace zarudiv {

// A run's or a plan's id: 1 to 10^18 - 1, plain decimal digits.
std::optional<std::int64_t> ParseId(std::string_view text);

// A whole number from low to high, plain decimal digits.
std::optional<std::int64_t> ParseBounded(std::string_view text, std::int64_t low, std::int64_t high);

// The first problem with the parameters: a name not in allowed, a value
// given twice, a value longer than 32 characters; "" when there is none.
std::string CheckParameterNames(const std::multimap<std::string, std::string>& params,
                                const std::set<std::string>& allowed);

}  // namespace zarudiv
