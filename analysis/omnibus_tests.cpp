#include "analysis/omnibus_tests.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <stdexcept>

#include "analysis/ranks.h"

namespace zarudiv {

namespace {

double ChiSquaredTail(long double statistic, std::size_t degreesOfFreedom)
{
    const boost::math::chi_squared_distribution<long double> chi2(
        static_cast<long double>(degreesOfFreedom));
    // Rounding can leave a statistic of a hair below zero.
    return static_cast<double>(
        boost::math::cdf(boost::math::complement(chi2, std::max(0.0L, statistic))));
}

}  // namespace

OmnibusResult FriedmanTest(const std::vector<std::vector<double>>& blocks)
{
    if (blocks.empty() || blocks.front().size() < 2)
        throw std::invalid_argument("FriedmanTest needs a block of two groups at least");
    OmnibusResult result;
    const std::size_t k = blocks.front().size();
    result.groups = k;
    result.blocks = blocks.size();
    result.degreesOfFreedom = k - 1;
    std::vector<long double> rankSums(k, 0.0L);
    long double tieTerm = 0.0L;
    for (const std::vector<double>& block : blocks) {
        if (block.size() != k)
            throw std::invalid_argument("FriedmanTest: blocks of different sizes");
        const Ranking ranking = MidRanks(std::vector<long double>(block.begin(), block.end()));
        for (std::size_t g = 0; g < k; ++g)
            rankSums[g] += ranking.ranks[g];
        tieTerm += ranking.tieTerm;
    }
    const auto n = static_cast<long double>(blocks.size());
    const auto kk = static_cast<long double>(k);
    const long double correction = 1.0L - tieTerm / (kk * (kk * kk - 1.0L) * n);
    if (correction <= 0.0L) {
        result.allTied = true;
        return result;
    }
    long double squares = 0.0L;
    for (long double sum : rankSums)
        squares += sum * sum;
    const long double statistic =
        (12.0L / (kk * n * (kk + 1.0L)) * squares - 3.0L * n * (kk + 1.0L)) / correction;
    result.statistic = static_cast<double>(statistic);
    result.p = ChiSquaredTail(statistic, result.degreesOfFreedom);
    return result;
}

OmnibusResult KruskalWallisTest(const std::vector<std::vector<double>>& samples)
{
    if (samples.size() < 2)
        throw std::invalid_argument("KruskalWallisTest needs two groups at least");
    OmnibusResult result;
    result.groups = samples.size();
    result.degreesOfFreedom = samples.size() - 1;
    std::vector<long double> all;
    for (const std::vector<double>& sample : samples) {
        if (sample.empty())
            throw std::invalid_argument("KruskalWallisTest: an empty group");
        all.insert(all.end(), sample.begin(), sample.end());
    }
    result.blocks = all.size();
    const Ranking ranking = MidRanks(all);
    const auto total = static_cast<long double>(all.size());
    const long double correction = 1.0L - ranking.tieTerm / (total * total * total - total);
    if (correction <= 0.0L) {
        result.allTied = true;
        return result;
    }
    long double between = 0.0L;
    std::size_t at = 0;
    for (const std::vector<double>& sample : samples) {
        long double sum = 0.0L;
        for (std::size_t i = 0; i < sample.size(); ++i)
            sum += ranking.ranks[at + i];
        at += sample.size();
        between += sum * sum / static_cast<long double>(sample.size());
    }
    const long double statistic =
        (12.0L / (total * (total + 1.0L)) * between - 3.0L * (total + 1.0L)) / correction;
    result.statistic = static_cast<double>(statistic);
    result.p = ChiSquaredTail(statistic, result.degreesOfFreedom);
    return result;
}

}  // namespace zarudiv
