#include "campaign/mutant_draws.h"

namespace zarudiv {

long double MutantStep(const Law& parent, long double startStep, Generator& gen)
{
    const long double f = StepFactor(gen, static_cast<double>(startStep));
    const long double s = static_cast<long double>(RandomSign(gen));
    const long double u = Random(gen);
    return u * s * f + parent.step;
}

void MutateLaw(const Law& parent, long double step, Generator& gen, MutantLaw& law)
{
    law.activator = parent.activator;
    law.inhibitor = parent.inhibitor;
    const int n = VectorCount(parent.activator);
    for (int i = 1; i <= n; ++i)
        law.activator[i] = static_cast<long double>(RandomSign(gen)) * step + parent.activator[i];
    for (int i = 1; i <= n; ++i)
        law.inhibitor[i] = static_cast<long double>(RandomSign(gen)) * step + parent.inhibitor[i];
}

GenerationDraws::GenerationDraws(std::size_t mutants) : laws_(mutants), steps_(mutants) {}

void GenerationDraws::draw(const Law& parent, long double startStep, int sites, Generator& gen)
{
    const std::size_t count = laws_.size();
    fault_.reset();
    drawn_ = 0;
    while (drawn_ < count && !fault_) {
        ClearFpuFaults();
        steps_[drawn_] = MutantStep(parent, startStep, gen);
        SettleFpu(steps_[drawn_]);
        if (const auto kind = TakeFpuFault()) {
            fault_ = Fault{*kind, true};
        } else {
            MutateLaw(parent, steps_[drawn_], gen, laws_[drawn_]);
            SettleFpu(laws_[drawn_]);
            if (const auto lawKind = TakeFpuFault())
                fault_ = Fault{*lawKind, false};
        }
        gen.skip(2 * static_cast<std::uint64_t>(sites));
        ++drawn_;
    }
}

void GenerationDraws::throwIfFaultBeforeStep(std::size_t i) const
{
    if (fault_ && i + 1 == drawn_ && fault_->beforeStepShown)
        throw FloatingPointFault(fault_->kind);
}

void GenerationDraws::throwIfFaultAfterStep(std::size_t i) const
{
    if (fault_ && i + 1 == drawn_)
        throw FloatingPointFault(fault_->kind);
}

}  // namespace zarudiv
