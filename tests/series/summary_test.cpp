// Order statistics and the per-setting summary on small samples whose
// answers are known (type 7 quantiles, as R's quantile() and NumPy give).

#include <gtest/gtest.h>

#include "series/quantiles.h"
#include "series/series_summary.h"
#include "series/summary_plots.h"

namespace {

using zarudiv::FiveNumbers;
using zarudiv::RunFinal;

struct QuantileCase {
    const char* name;
    std::vector<double> values;
    FiveNumbers expected;
};

TEST(SummaryTest, QuantilesInterpolateBetweenOrderStatistics)
{
    const std::vector<QuantileCase> cases = {
        {"one value", {7.5}, {7.5, 7.5, 7.5, 7.5, 7.5}},
        {"two values", {3.0, 1.0}, {1.0, 1.5, 2.0, 2.5, 3.0}},
        {"four values", {4.0, 1.0, 3.0, 2.0}, {1.0, 1.75, 2.5, 3.25, 4.0}},
        {"one to ten", {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, {1.0, 3.25, 5.5, 7.75, 10.0}},
        {"ties", {2.0, 2.0, 2.0, 5.0, 5.0}, {2.0, 2.0, 2.0, 5.0, 5.0}},
        {"quality-like", {283.5, 279.25, 281.0, 280.5, 282.0, 284.0},
         {279.25, 280.625, 281.5, 283.125, 284.0}},
    };
    for (const QuantileCase& c : cases) {
        std::vector<double> values = c.values;
        const FiveNumbers five = zarudiv::Summarise(values);
        EXPECT_EQ(five.best, c.expected.best) << c.name;
        EXPECT_EQ(five.q1, c.expected.q1) << c.name;
        EXPECT_EQ(five.median, c.expected.median) << c.name;
        EXPECT_EQ(five.q3, c.expected.q3) << c.name;
        EXPECT_EQ(five.worst, c.expected.worst) << c.name;
    }
    EXPECT_EQ(zarudiv::Quantile({1.0, 2.0, 3.0, 4.0, 5.0}, 0.1), 1.4);
}

TEST(SummaryTest, ASettingsBoxHasWhiskersWithinOneAndAHalfBoxLengths)
{
    // Q: 1, 2, 3, 4, 100 -> quartiles 2 and 4, fences -1 and 7.
    const zarudiv::SettingSummary s = zarudiv::SummariseSetting(
        {10, 4, 500}, {{3.0, 10}, {100.0, 1}, {1.0, 9}, {4.0, 7}, {2.0, 10}});
    EXPECT_EQ(s.runs, 5u);
    EXPECT_EQ(s.finalQ.median, 3.0);
    EXPECT_EQ(s.lowWhisker, 1.0);
    EXPECT_EQ(s.highWhisker, 4.0);
    EXPECT_EQ(s.outliers, std::vector<double>{100.0});
    // Best generations 1, 7, 9, 10, 10 times 4 mutants: the median is 36.
    EXPECT_EQ(s.medianEvaluationsToBest, 36.0);
}

TEST(SummaryTest, TheTableAndTheCsvShowTheSameNumbers)
{
    std::vector<zarudiv::SettingSummary> summaries = {
        zarudiv::SummariseSetting({20, 6, 900}, {{0.1, 2}, {0.30000000000000004, 20}}),
        zarudiv::SummariseSetting({10, 4, 500}, {}),
    };
    EXPECT_EQ(zarudiv::SummaryCsv(summaries),
              "generations,mutants,step_ppm,runs,best,q1,median,q3,worst,median_evaluations_to_best\n"
              "20,6,900,2,0.10000000000000001,0.15000000000000002,0.20000000000000001,"
              "0.25000000000000006,0.30000000000000004,66\n"
              "10,4,500,0,,,,,,\n");
    EXPECT_EQ(zarudiv::SummaryTable(summaries),
              "setting           runs            best              q1          median              q3"
              "           worst   evals to best\n"
              "G=20 M=6 P=900       2        0.100000        0.150000        0.200000        0.250000"
              "        0.300000              66\n"
              "G=10 M=4 P=500       0   (no run done)\n");
}

TEST(SummaryTest, OnlyTheBestSettingsGetACurveWhenTheyAreMany)
{
    // Settings best first: here the plan's order backwards.
    const auto bestLast = [](const zarudiv::SeriesPlan& plan) {
        std::vector<zarudiv::SettingSummary> summaries;
        for (std::uint64_t i = plan.settingCount(); i-- > 0;)
            summaries.push_back(zarudiv::SummariseSetting(plan.setting(i), {}));
        return summaries;
    };
    zarudiv::SeriesPlan plan;
    plan.generations = {10};
    plan.mutants = {1, 2, 3, 4, 5};
    plan.steps = {100, 200, 300, 400, 500, 600};
    plan.repeat = 1;
    // 30 settings: the last 24 of the plan are the best, drawn in the plan's order.
    std::vector<zarudiv::Setting> expected;
    for (std::uint64_t i = 30 - zarudiv::kMaxCurves; i < 30; ++i)
        expected.push_back(plan.setting(i));
    EXPECT_EQ(zarudiv::CurveSettings(plan, bestLast(plan)), expected);

    // A few settings are all drawn, in the plan's order whatever their rank.
    plan.mutants = {1};
    expected.clear();
    for (std::uint64_t i = 0; i < 6; ++i)
        expected.push_back(plan.setting(i));
    EXPECT_EQ(zarudiv::CurveSettings(plan, bestLast(plan)), expected);
}

}  // namespace
