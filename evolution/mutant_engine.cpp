#include "mutant_engine.h"

#include <algorithm>
#include <cmath>

namespace zarudiv {

namespace {

std::optional<FloatingPointFault::Kind> TakeFault()
{
    try {
        CheckFpu();
    } catch (const FloatingPointFault& fault) {
        return fault.kind();
    }
    return std::nullopt;
}

}  // namespace

void EvaluateMutant(const FastDiffusion& model, const TVector& start, const TVector& target,
                    int steps, const MutantLaw& law, MutantOutcome& outcome)
{
    outcome.evaluated = true;
    outcome.fault.reset();
    ClearFpuFaults();
    outcome.state = start;
    for (int s = 0; s < steps; ++s) {
        model.Step(law.activator, law.inhibitor, outcome.state);
        SettleFpu(outcome.state);
        if (FpuFaultPending()) {
            outcome.fault = TakeFault();
            return;
        }
    }
    // The quality measure, without the draws of its scratch vectors.
    const int n = VectorCount(target);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
        const long double diff = target[k] - outcome.state[k];
        sum = static_cast<double>(diff * diff + sum);
    }
    outcome.quality = static_cast<double>(std::sqrt(static_cast<long double>(sum)));
    SettleFpu(outcome.quality);
    if (FpuFaultPending())
        outcome.fault = TakeFault();
}

MutantEngine::MutantEngine(const TVector& start, const TVector& target, int steps,
                           unsigned threads)
    : model_(VectorCount(start), VectorCount(start)), start_(start), target_(target),
      steps_(steps)
{
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 1; t < threads; ++t)
        workers_.emplace_back([this] { WorkerLoop(); });
}

MutantEngine::~MutantEngine()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void MutantEngine::RunShare()
{
    for (;;) {
        std::size_t index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next_ >= count_ || next_ > firstFault_)
                return;
            index = next_++;
        }
        MutantOutcome& outcome = (*outcomes_)[index];
        EvaluateMutant(model_, start_, target_, steps_, (*laws_)[index], outcome);
        if (outcome.fault) {
            std::lock_guard<std::mutex> lock(mutex_);
            firstFault_ = std::min(firstFault_, index);
        }
    }
}

void MutantEngine::WorkerLoop()
{
    // The FPU state is per thread.
    PrepareFpu();
    std::size_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || round_ != seen; });
            if (stop_)
                return;
            seen = round_;
        }
        RunShare();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--busy_ == 0)
                done_.notify_one();
        }
    }
}

void MutantEngine::Evaluate(const std::vector<MutantLaw>& laws,
                            std::vector<MutantOutcome>& outcomes, std::size_t count)
{
    if (outcomes.size() < count)
        outcomes.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        outcomes[i].evaluated = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        laws_ = &laws;
        outcomes_ = &outcomes;
        count_ = count;
        next_ = 0;
        firstFault_ = count;
        busy_ = workers_.size();
        ++round_;
    }
    if (!workers_.empty())
        wake_.notify_all();
    RunShare();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    // The calling thread's own flags must not leak into the driver's checks.
    ClearFpuFaults();
}

}  // namespace zarudiv
