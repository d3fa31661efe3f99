// The mutant engine's threads: as many as asked for but never more than a
// generation has mutants, and when the system refuses threads, the ones that
// did start do the work with the same results.

#include <gtest/gtest.h>

#include <cstring>
#include <system_error>
#include <thread>

#include "evolution/fpu.h"
#include "evolution/mutant_engine.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace {

using namespace zarudiv;

constexpr int kSites = 20;

struct Generation {
    TVector start = ZeroVector(kSites);
    TVector target = ZeroVector(kSites);
    std::vector<MutantLaw> laws;

    explicit Generation(std::size_t mutants)
    {
        StartVector(start);
        TargetVector(target);
        Generator gen(77u);
        for (std::size_t i = 0; i < mutants; ++i) {
            MutantLaw law{ZeroVector(kSites), ZeroVector(kSites)};
            for (int k = 1; k <= kSites; ++k) {
                law.activator[k] = static_cast<long double>(RandomSign(gen)) * 1e-4L;
                law.inhibitor[k] = static_cast<long double>(RandomSign(gen)) * 1e-4L;
            }
            laws.push_back(law);
        }
    }

    std::vector<MutantOutcome> evaluate(MutantEngine& engine) const
    {
        std::vector<MutantOutcome> outcomes;
        engine.evaluate(laws, outcomes, laws.size());
        return outcomes;
    }
};

// A thread starter that gives `available` threads and then refuses, as a
// system out of memory or out of processes does.
ThreadStarter Rationed(unsigned available, unsigned& asked)
{
    return [available, &asked](std::function<void()> work) {
        if (++asked > available)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(work));
    };
}

void ExpectSameOutcomes(const std::vector<MutantOutcome>& a, const std::vector<MutantOutcome>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(std::memcmp(&a[i].quality, &b[i].quality, sizeof(double)), 0) << i;
        EXPECT_EQ(a[i].state, b[i].state) << i;
        EXPECT_EQ(a[i].fault, b[i].fault) << i;
    }
}

TEST(MutantEngineTest, NeverStartsMoreThreadsThanAGenerationHasMutants)
{
    PrepareFpu();
    const Generation generation(3);
    MutantEngine engine(generation.start, generation.target, kSites, 16, 3);
    EXPECT_EQ(engine.wantedThreads(), 3u);
    EXPECT_EQ(engine.threads(), 3u);
    MutantEngine single(generation.start, generation.target, kSites, 16, 1);
    EXPECT_EQ(single.threads(), 1u);
}

TEST(MutantEngineTest, WhenThreadsAreRefusedThoseThatStartedDoTheWork)
{
    PrepareFpu();
    const Generation generation(12);
    MutantEngine reference(generation.start, generation.target, kSites, 1, 12);
    const std::vector<MutantOutcome> expected = generation.evaluate(reference);

    for (unsigned available : {0u, 2u}) {
        unsigned asked = 0;
        MutantEngine engine(generation.start, generation.target, kSites, 8, 12,
                            Rationed(available, asked));
        EXPECT_EQ(engine.wantedThreads(), 8u);
        EXPECT_EQ(engine.threads(), available + 1) << available << " available";
        EXPECT_EQ(asked, available + 1) << "starting ends at the first refusal";
        ExpectSameOutcomes(generation.evaluate(engine), expected);
        ExpectSameOutcomes(generation.evaluate(engine), expected);
    }
}

}  // namespace
