#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "cli/generation_log.h"

namespace {

using zarudiv::ExactReal;

TEST(GenerationLogTest, RealsReadBackAsTheSameDouble)
{
    for (double value : {0.0, 0.1, 1.0 / 3.0, 225.42201523560001, 7.0e-7, DBL_MIN, DBL_TRUE_MIN,
                         DBL_MAX, 10000000.0, std::nextafter(300.0, 0.0)}) {
        const std::string text = ExactReal(value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
    EXPECT_EQ(ExactReal(0.1), "0.10000000000000001");
    EXPECT_EQ(ExactReal(10000000.0), "10000000");
}

TEST(GenerationLogTest, ARowHasTheFiveColumnsInOrder)
{
    zarudiv::GenerationRecord record;
    record.generation = 12;
    record.evaluations = 120;
    record.bestQ = 0.5;
    record.stepWidth = 7.5e-7;
    record.accepted = 3;
    EXPECT_EQ(zarudiv::GenerationLogRow(record), "12,120,0.5,7.5000000000000002e-07,3");
}

}  // namespace
