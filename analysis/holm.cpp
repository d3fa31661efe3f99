#include "analysis/holm.h"

#include <algorithm>
#include <numeric>

namespace zarudiv {

std::vector<double> HolmAdjust(const std::vector<double>& p)
{
    const std::size_t m = p.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    std::vector<double> adjusted(m);
    double running = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        const double scaled = std::min(1.0, static_cast<double>(m - i) * p[order[i]]);
        running = std::max(running, scaled);
        adjusted[order[i]] = running;
    }
    return adjusted;
}

}  // namespace zarudiv
