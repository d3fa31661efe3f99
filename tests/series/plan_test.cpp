#include <gtest/gtest.h>

#include "series/plan.h"
#include "series/series_store.h"

namespace {

using zarudiv::RunKey;
using zarudiv::SeriesPlan;
using zarudiv::Setting;

SeriesPlan Plan(std::uint32_t firstSeed, std::uint32_t repeat)
{
    SeriesPlan plan;
    plan.generations = {100, 20};
    plan.mutants = {5};
    plan.steps = {900, 1, 40};
    plan.firstSeed = firstSeed;
    plan.repeat = repeat;
    return plan;
}

TEST(PlanTest, SettingsAreTheCrossProductInTheOrderGiven)
{
    const SeriesPlan plan = Plan(7, 2);
    ASSERT_EQ(plan.settingCount(), 6u);
    const std::vector<Setting> expected = {{100, 5, 900}, {100, 5, 1}, {100, 5, 40},
                                           {20, 5, 900},  {20, 5, 1},  {20, 5, 40}};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(plan.setting(i), expected[i]) << i;
}

TEST(PlanTest, EveryRepetitionRunsAllSettingsOnTheSameSeed)
{
    const SeriesPlan plan = Plan(7, 3);
    ASSERT_EQ(plan.runCount(), 18u);
    for (std::uint64_t i = 0; i < plan.runCount(); ++i) {
        const RunKey key = plan.run(i);
        EXPECT_EQ(key.setting, plan.setting(i % 6)) << i;
        EXPECT_EQ(key.seed, 7u + i / 6) << i;
    }
    EXPECT_EQ(plan.lastSeed(), 9u);
}

TEST(PlanTest, SeedsWrapRoundAfterTheLargest)
{
    const SeriesPlan plan = Plan(4294967294u, 4);
    EXPECT_EQ(plan.run(0).seed, 4294967294u);
    EXPECT_EQ(plan.run(6).seed, 4294967295u);
    EXPECT_EQ(plan.run(12).seed, 0u);
    EXPECT_EQ(plan.run(23).seed, 1u);
    EXPECT_EQ(zarudiv::SeedCondition(plan), "(seed >= 4294967294 OR seed <= 1)");
    EXPECT_EQ(zarudiv::SeedCondition(Plan(5, 3)), "seed BETWEEN 5 AND 7");
}

TEST(PlanTest, ProtocolNamesAndLabelsNameTheWholeRun)
{
    const RunKey key{{100, 20, 500}, 4294967295u};
    EXPECT_EQ(zarudiv::ProtocolFileName(key), "G100_M20_P500_S4294967295.doc");
    EXPECT_EQ(zarudiv::SettingLabel(key.setting), "G=100 M=20 P=500");
}

}  // namespace
