#include "series/quantiles.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zarudiv {

double Quantile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty())
        throw std::invalid_argument("Quantile of an empty sample");
    const long double h = static_cast<long double>(sorted.size() - 1) * p;
    const auto j = static_cast<std::size_t>(std::floor(h));
    if (j + 1 >= sorted.size())
        return sorted.back();
    const long double g = h - static_cast<long double>(j);
    // Extended precision keeps the interpolation from rounding twice.
    return static_cast<double>(static_cast<long double>(sorted[j]) +
                               g * (static_cast<long double>(sorted[j + 1]) - sorted[j]));
}

FiveNumbers Summarise(std::vector<double>& values)
{
    std::sort(values.begin(), values.end());
    FiveNumbers five;
    five.best = values.front();
    five.q1 = Quantile(values, 0.25);
    five.median = Quantile(values, 0.5);
    five.q3 = Quantile(values, 0.75);
    five.worst = values.back();
    return five;
}

}  // namespace zarudiv
