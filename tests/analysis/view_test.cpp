// The views on series data made here: ranking, budgets, the paired tests
// against the best with their notes, the fixed targets and the curves.

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/curves.h"
#include "analysis/fixed_target.h"
#include "analysis/series_analysis.h"
#include "analysis/setting_view.h"
#include "tests/analysis/series_fixture.h"

namespace {

using namespace zarudiv;
using zarudiv::testing::Falling;
using zarudiv::testing::MakeData;
using zarudiv::testing::RunCurve;

const Setting kA{4, 10, 100};
const Setting kB{4, 20, 100};
const Setting kC{2, 10, 500};
const Setting kD{4, 10, 1000};  // one run only
const Setting kE{4, 10, 200};   // no run done

// Every curve falls by 10 a generation: A's final Qs 20 25 18 19, B's
// 15 17 14 16, C's 30 31 32 33, on seeds 1..4.
SeriesData Grid()
{
    const auto runs = [](std::vector<double> finals, int generations) {
        std::vector<RunCurve> curves;
        for (std::size_t i = 0; i < finals.size(); ++i)
            curves.push_back({static_cast<std::uint32_t>(i + 1), Falling(finals[i], generations, 10)});
        return curves;
    };
    SeriesData data = MakeData({{kA, runs({20, 25, 18, 19}, 4)},
                                {kB, runs({15, 17, 14, 16}, 4)},
                                {kC, runs({30, 31, 32, 33}, 2)},
                                {kD, runs({100}, 4)},
                                {kE, {}}});
    data.settings.back().notDone = 2;
    return data;
}

const ViewRow& RowOf(const SeriesData& data, const SettingView& view, const Setting& s)
{
    for (const ViewRow& row : view.rows)
        if (data.settings[row.setting].setting == s)
            return row;
    throw std::logic_error("no row");
}

TEST(ViewTest, TheFinalViewRanksTestsAgainstTheBestAndSaysWhatItLeftOut)
{
    const SeriesData data = Grid();
    const SettingView view = MakeSettingView(data, std::nullopt, ViewOptions{});
    std::vector<Setting> order;
    for (const ViewRow& row : view.rows)
        order.push_back(data.settings[row.setting].setting);
    EXPECT_EQ(order, (std::vector<Setting>{kB, kA, kC, kD, kE}));

    const ViewRow& b = view.rows.front();
    EXPECT_EQ(b.standing, Standing::Best);
    EXPECT_EQ(b.q.median, 15.5);
    // The best run is seed 3 (Q 14), the lower median seed 1 (Q 15).
    EXPECT_EQ(b.bestRun.seed, 3u);
    EXPECT_EQ(b.medianRun.seed, 1u);
    EXPECT_EQ(b.medianRun.q, 15.0);

    // A - B on the seeds: 5 8 4 3, all above 0: exact p 2/16; C - B:
    // 15 14 18 17 likewise; Holm doubles the smaller of two equal ones.
    const ViewRow& a = RowOf(data, view, kA);
    ASSERT_TRUE(a.comparison);
    EXPECT_TRUE(a.comparison->test.exact);
    EXPECT_EQ(a.comparison->test.p, 0.125);
    EXPECT_EQ(a.comparison->holmP, 0.25);
    EXPECT_EQ(a.comparison->a12, 1.0);
    EXPECT_EQ(a.comparison->medianDifference, 4.5);
    ASSERT_TRUE(a.comparison->interval);
    EXPECT_GE(a.comparison->interval->low, 3.0);
    EXPECT_LE(a.comparison->interval->high, 8.0);
    EXPECT_EQ(a.standing, Standing::Same);
    EXPECT_EQ(RowOf(data, view, kC).comparison->holmP, 0.25);
    EXPECT_EQ(RowOf(data, view, kD).note, "one seed in common with the best");
    EXPECT_FALSE(RowOf(data, view, kD).comparison);
    EXPECT_EQ(RowOf(data, view, kE).note, "no run done");

    // Ranks per seed B 1, A 2, C 3 (D has one run): sums 4 8 12, chi2 8.
    ASSERT_TRUE(view.omnibus);
    EXPECT_TRUE(view.friedman);
    EXPECT_EQ(view.omnibus->groups, 3u);
    EXPECT_EQ(view.seedsOfAll, 4u);
    EXPECT_NEAR(view.omnibus->statistic, 8.0, 1e-12);
    EXPECT_NEAR(view.omnibus->p, std::exp(-4.0), 1e-15);

    // B has the most mutants and the smallest step width of the grid.
    EXPECT_EQ(view.edgeWarnings,
              (std::vector<std::string>{
                  "the best setting has the largest mutant count of the grid (M=20): a larger one "
                  "may be better still",
                  "the best setting has the smallest start step width of the grid (P=100): a "
                  "smaller one may be better still"}));

    // A looser alpha tells them apart.
    ViewOptions loose;
    loose.alpha = 0.3;
    EXPECT_EQ(RowOf(data, MakeSettingView(data, std::nullopt, loose), kA).standing, Standing::Worse);
}

TEST(ViewTest, ABudgetTakesTheGenerationsThatFitAndMarksTheRest)
{
    const SeriesData data = Grid();
    // 40 evaluations: A all 4 generations, B 2 (its Q then is 20 above
    // its final Q), C's 20 evaluations end before the budget.
    SettingView view = MakeSettingView(data, 40, ViewOptions{});
    EXPECT_EQ(data.settings[view.rows.front().setting].setting, kA);
    const ViewRow& b = RowOf(data, view, kB);
    EXPECT_EQ(b.evaluations, 40);
    EXPECT_EQ(b.q.best, 34.0);
    EXPECT_EQ(b.q.worst, 37.0);
    const ViewRow& c = RowOf(data, view, kC);
    EXPECT_EQ(c.fit, BudgetFit::Short);
    EXPECT_EQ(c.evaluations, 20);
    EXPECT_EQ(c.q.median, 31.5);
    EXPECT_FALSE(c.comparison);
    EXPECT_EQ(c.note, "runs end before the budget");
    EXPECT_EQ(view.rows[1].setting, b.setting);  // short settings rank after those that fit

    // 15 evaluations: one generation of A and C, none of B's 20 mutants.
    view = MakeSettingView(data, 15, ViewOptions{});
    EXPECT_EQ(data.settings[view.rows.front().setting].setting, kC);
    EXPECT_EQ(view.rows.front().q.median, 41.5);
    EXPECT_EQ(view.rows.front().evaluations, 10);
    EXPECT_EQ(RowOf(data, view, kA).q.median, 49.5);
    EXPECT_EQ(RowOf(data, view, kB).fit, BudgetFit::NoGeneration);
    EXPECT_FALSE(RowOf(data, view, kB).hasValues());
}

TEST(ViewTest, OneRunPerSettingGivesNotesAndNoTests)
{
    const SeriesData data = MakeData({{kA, {{1, {5, 4}}}}, {kB, {{1, {6, 3}}}}});
    const SettingView view = MakeSettingView(data, std::nullopt, ViewOptions{});
    EXPECT_EQ(view.rows.front().standing, Standing::Best);
    EXPECT_FALSE(view.omnibus);
    EXPECT_EQ(view.omnibusNote, "no omnibus test: it needs two settings with two runs or more");
    EXPECT_EQ(view.comparisonNote, "no setting is compared with the best: the best has one run only");
    EXPECT_FALSE(view.rows[1].comparison);
}

TEST(ViewTest, SettingsWithoutCommonSeedsFallBackToKruskalWallis)
{
    // The same values on seeds 1, 2 and on 3, 4: no pairs at all.
    const SeriesData data = MakeData({{kA, {{1, {2}}, {2, {4}}}}, {kB, {{3, {1}}, {4, {3}}}}});
    const SettingView view = MakeSettingView(data, std::nullopt, ViewOptions{});
    ASSERT_TRUE(view.omnibus);
    EXPECT_FALSE(view.friedman);
    // Ranks B 1 3, A 2 4: 12/20 * (8 + 18) - 15 = 0.6.
    EXPECT_NEAR(view.omnibus->statistic, 0.6, 1e-14);
    EXPECT_EQ(view.rows[1].note, "no seed in common with the best");
}

TEST(ViewTest, ErtCountsEveryRunsEvaluationsPerSuccess)
{
    // M = 10: the first run reaches Q <= 5 in generation 3 (30
    // evaluations), the second in 5 (50), the third never (50 spent):
    // ERT (30 + 50 + 50) / 2 = 65, median of the successes 40.
    const Setting s{5, 10, 100};
    const SeriesData data =
        MakeData({{s, {{1, {9, 7, 4, 4, 4}}, {2, {9, 8, 7, 6, 5}}, {3, {9, 9, 9, 9, 8}}}}});
    const TargetView view = MakeTargetView(data, {5.0, 9.0, 1.0}, false);
    ASSERT_EQ(view.blocks.size(), 3u);
    const TargetRow& five = view.blocks[0].rows.front();
    EXPECT_EQ(five.successes, 2u);
    EXPECT_EQ(five.runs, 3u);
    EXPECT_EQ(five.ert, 65.0);
    EXPECT_EQ(five.medianEvaluations, 40.0);
    EXPECT_EQ(view.blocks[1].rows.front().ert, 10.0);  // all in the first generation
    EXPECT_TRUE(std::isinf(view.blocks[2].rows.front().ert));
    EXPECT_FALSE(view.blocks[2].rows.front().medianEvaluations);

    // Two targets, three runs: 6 pairs; hits at 10, 10, 10, 30, 50.
    const EcdfCurve ecdf = MakeEcdf(data, 0, {5.0, 9.0});
    EXPECT_EQ(ecdf.pairs, 6u);
    EXPECT_EQ(ecdf.hits, (std::vector<std::int64_t>{10, 10, 10, 30, 50}));
    EXPECT_EQ(ecdf.end, 50);
}

TEST(ViewTest, TheLadderRunsFromTheMedianToTheBestFinalQ)
{
    // Final Qs 100.2 .. 140.2 by 10: median 120.2, best 100.2.
    std::vector<RunCurve> runs;
    for (std::uint32_t i = 0; i < 5; ++i)
        runs.push_back({i + 1, {200, 100.2 + 10 * i}});
    const SeriesData data = MakeData({{kA, runs}});
    const std::vector<double> ladder = TargetLadder(data);
    ASSERT_EQ(ladder.size(), 5u);
    const std::vector<double> expected = {120.2, 115.2, 110.2, 105.2, 100.2};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(ladder[i], expected[i]) << i;  // six decimals read back as the same double
    // The best run reaches the lowest target.
    EXPECT_EQ(MakeTargetView(data, ladder, true).blocks.back().rows.front().successes, 1u);
    // All final Qs equal: one target.
    EXPECT_EQ(TargetLadder(MakeData({{kA, {{1, {3, 2}}, {2, {5, 2}}}}})), std::vector<double>{2.0});
}

TEST(ViewTest, CurvesTakeEvaluationsOnXWhenTheMutantsDiffer)
{
    const SeriesData data = Grid();
    EXPECT_EQ(DefaultXAxis(data), XAxis::Evaluations);
    EXPECT_EQ(DefaultXAxis(MakeData({{kA, {{1, {2}}}}, {kD, {{1, {3}}}}})), XAxis::Generations);
    const ConvergenceBand band = MakeConvergenceBand(data, 1, XAxis::Evaluations);
    EXPECT_EQ(band.x, (std::vector<double>{20, 40, 60, 80}));
    // Generation 2 of B: 34 35 36 37 -> quartiles 34.75 35.5 36.25.
    EXPECT_EQ(band.q1[1], 34.75);
    EXPECT_EQ(band.median[1], 35.5);
    EXPECT_EQ(band.q3[1], 36.25);
    // At most 1000 points, on a log scale every early generation.
    const SeriesData longRuns = MakeData({{{5000, 1, 1}, {{1, Falling(1, 5000, 1)}}}});
    const ConvergenceBand sampled = MakeConvergenceBand(longRuns, 0, XAxis::Evaluations);
    EXPECT_LE(sampled.x.size(), 1000u);
    EXPECT_EQ(std::vector<double>(sampled.x.begin(), sampled.x.begin() + 5),
              (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(sampled.x.back(), 5000);
}

}  // namespace
