#pragma once
// A mutant's draws: its step width (4 draws) and its law (one sign per
// coefficient, 2n draws), always made from the generation's parent. And a
// generation's mutants drawn up front for the engine, with the place a
// floating-point fault in the draws would end the campaign in the
// sequential order.

#include <cstddef>
#include <optional>
#include <vector>

#include "campaign/law.h"
#include "evolution/fpu.h"
#include "evolution/mutant_engine.h"
#include "evolution/random_source.h"

namespace zarudiv {

// step := u * s * f + parent step, with f := StepFactor(start step), then
// s := RandomSign, then u := Random; multiplied in this order and added in
// extended precision. The step may come out negative.
long double MutantStep(const Law& parent, long double startStep, Generator& gen);

// coefficient i := RandomSign * step + parent coefficient i; all activator
// signs before all inhibitor signs. Mutations never accumulate within a
// generation: the law is always built from the parent.
void MutateLaw(const Law& parent, long double step, Generator& gen, MutantLaw& law);

// The mutants of one generation with every draw made before any is
// evaluated: 4 + 2n for a mutant's step and law, then the quality measure's
// 2n, which are skipped (its scratch vectors' values are overwritten). The
// sequence of draws therefore does not depend on a computed value.
class GenerationDraws {
public:
    explicit GenerationDraws(std::size_t mutants = 0);

    // Draws the generation's mutants from the parent. A mutant whose draws
    // fault (a step width or a coefficient that overflows, say) is the last
    // one drawn: nothing after it is drawn, as nothing after it would run.
    void draw(const Law& parent, long double startStep, int sites, Generator& gen);

    std::size_t drawn() const { return drawn_; }
    // The mutants that may be evaluated: those before a faulting one.
    std::size_t evaluable() const { return fault_ ? drawn_ - 1 : drawn_; }
    const std::vector<MutantLaw>& laws() const { return laws_; }
    const MutantLaw& law(std::size_t i) const { return laws_[i]; }
    long double step(std::size_t i) const { return steps_[i]; }

    // Where the sequential campaign would end with the draws' fault: mutant
    // i's step width faulted (before it is shown), or its law did (after).
    void throwIfFaultBeforeStep(std::size_t i) const;
    void throwIfFaultAfterStep(std::size_t i) const;

private:
    struct Fault {
        FloatingPointFault::Kind kind;
        bool beforeStepShown;
    };

    std::vector<MutantLaw> laws_;
    std::vector<long double> steps_;
    std::size_t drawn_ = 0;
    std::optional<Fault> fault_;
};

}  // namespace zarudiv
