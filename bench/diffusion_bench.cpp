// The cost of the model step and of one mutant evaluation, literal and fast,
// side by side in one run. The ...FourSites variants time the general fast
// kernel on the same work, the figure before the twenty-site code.

#include <benchmark/benchmark.h>

#include "evolution/diffusion_model.h"
#include "evolution/fast_diffusion.h"
#include "evolution/fpu.h"
#include "evolution/mutant_engine.h"
#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace {

using namespace zarudiv;

constexpr int kSites = 20;

// A law of the size a campaign evolves (steps of about 10^-6) and the campaign's
// start and target vectors.
struct Setup {
    TVector start = ZeroVector(kSites);
    TVector target = ZeroVector(kSites);
    MutantLaw law;

    Setup()
    {
        StartVector(start);
        TargetVector(target);
        Generator gen(12345u);
        law.activator = ZeroVector(kSites);
        law.inhibitor = ZeroVector(kSites);
        for (int k = 1; k <= kSites; ++k) {
            law.activator[k] = static_cast<long double>(RandomSign(gen)) * 1e-6L;
            law.inhibitor[k] = static_cast<long double>(RandomSign(gen)) * 1e-6L;
        }
    }
};

void BM_LiteralStep(benchmark::State& state)
{
    PrepareFpu();
    const Setup s;
    TVector v = s.start;
    for (auto _ : state) {
        DiffusionStep(s.law.activator, s.law.inhibitor, v, 1.0, 1.0);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_LiteralStep);

void FastStep(benchmark::State& state, FastDiffusion::Kernel kernel)
{
    PrepareFpu();
    const Setup s;
    const FastDiffusion model(kSites, kSites, true, kernel);
    TVector v = s.start;
    for (auto _ : state) {
        model.step(s.law.activator, s.law.inhibitor, v);
        benchmark::DoNotOptimize(v);
    }
}

void BM_FastStep(benchmark::State& state) { FastStep(state, FastDiffusion::Kernel::Fastest); }
BENCHMARK(BM_FastStep);

void BM_FastStepFourSites(benchmark::State& state)
{
    FastStep(state, FastDiffusion::Kernel::FourSites);
}
BENCHMARK(BM_FastStepFourSites);

// One mutant as the literal campaign evaluates it: 20 literal steps and the
// quality measure with its draws.
void BM_LiteralMutant(benchmark::State& state)
{
    PrepareFpu();
    const Setup s;
    Generator gen(1u);
    for (auto _ : state) {
        TVector v = s.start;
        for (int t = 0; t < kSites; ++t)
            DiffusionStep(s.law.activator, s.law.inhibitor, v, 1.0, 1.0);
        benchmark::DoNotOptimize(Quality(s.target, v, gen));
    }
    state.counters["mutants/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LiteralMutant)->Unit(benchmark::kMillisecond);

void FastMutant(benchmark::State& state, FastDiffusion::Kernel kernel)
{
    PrepareFpu();
    const Setup s;
    const FastDiffusion model(kSites, kSites, true, kernel);
    MutantOutcome outcome;
    for (auto _ : state) {
        EvaluateMutant(model, s.start, s.target, kSites, s.law, outcome);
        benchmark::DoNotOptimize(outcome.quality);
    }
    state.counters["mutants/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FastMutant(benchmark::State& state) { FastMutant(state, FastDiffusion::Kernel::Fastest); }
BENCHMARK(BM_FastMutant)->Unit(benchmark::kMillisecond);

void BM_FastMutantFourSites(benchmark::State& state)
{
    FastMutant(state, FastDiffusion::Kernel::FourSites);
}
BENCHMARK(BM_FastMutantFourSites)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
