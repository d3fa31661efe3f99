#include "series/convergence.h"

#include <algorithm>

#include "series/quantiles.h"

namespace zarudiv {

namespace {

// Values held at once while a block of generations is summarised.
constexpr std::size_t kBlockValues = 1 << 22;

}  // namespace

std::vector<int> SampledGenerations(int generations, std::size_t maxPoints)
{
    std::vector<int> sampled;
    if (generations <= 0 || maxPoints == 0)
        return sampled;
    const auto count = static_cast<std::size_t>(generations);
    if (count <= maxPoints || maxPoints == 1) {
        for (int g = 1; g <= generations; ++g)
            if (count <= maxPoints || g == generations)
                sampled.push_back(g);
        return sampled;
    }
    for (std::size_t k = 0; k < maxPoints; ++k) {
        const auto g = static_cast<int>(1 + (count - 1) * k / (maxPoints - 1));
        if (sampled.empty() || sampled.back() != g)
            sampled.push_back(g);
    }
    return sampled;
}

ConvergenceCurve Convergence(SeriesStore& store, const SeriesPlan& plan, const Setting& setting,
                             std::size_t runs, std::size_t maxPoints)
{
    ConvergenceCurve curve;
    curve.setting = setting;
    if (runs == 0)
        return curve;
    const std::vector<int> sampled = SampledGenerations(setting.generations, maxPoints);
    const std::size_t perBlock = std::max<std::size_t>(1, kBlockValues / runs);
    for (std::size_t first = 0; first < sampled.size(); first += perBlock) {
        const std::size_t end = std::min(sampled.size(), first + perBlock);
        const auto from = sampled.begin() + static_cast<std::ptrdiff_t>(first);
        const auto to = sampled.begin() + static_cast<std::ptrdiff_t>(end);
        std::vector<std::vector<double>> values(end - first);
        store.forEachGeneration(plan, setting, *from, *(to - 1), [&](int generation, double q) {
            const auto at = std::lower_bound(from, to, generation);
            if (at != to && *at == generation)
                values[static_cast<std::size_t>(at - from)].push_back(q);
        });
        for (std::size_t i = 0; i < values.size(); ++i) {
            // Every done run has every generation; a column can only be
            // empty in a database edited by hand.
            if (values[i].empty())
                continue;
            const FiveNumbers five = Summarise(values[i]);
            curve.generations.push_back(sampled[first + i]);
            curve.q1.push_back(five.q1);
            curve.median.push_back(five.median);
            curve.q3.push_back(five.q3);
        }
    }
    return curve;
}

}  // namespace zarudiv
