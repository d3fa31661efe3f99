#include "evolution/mutant_engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <system_error>

namespace zarudiv {

void EvaluateMutant(const FastDiffusion& model, const TVector& start, const TVector& target,
                    int steps, const MutantLaw& law, MutantOutcome& outcome)
{
    outcome.fault.reset();
    ClearFpuFaults();
    outcome.state = start;
    for (int s = 0; s < steps; ++s) {
        model.step(law.activator, law.inhibitor, outcome.state);
        SettleFpu(outcome.state);
        outcome.fault = TakeFpuFault();
        if (outcome.fault)
            return;
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
    outcome.fault = TakeFpuFault();
}

MutantEngine::MutantEngine(const TVector& start, const TVector& target, int steps,
                           unsigned threads, std::size_t mutants, const ThreadStarter& starter)
    : model_(VectorCount(start), VectorCount(start)), start_(start), target_(target),
      steps_(steps)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // A thread without a mutant of its own would only wait for the others.
    wanted_ = static_cast<unsigned>(
        std::min<std::size_t>(threads == 0 ? cores : threads, std::max<std::size_t>(1, mutants)));
    spin_ = wanted_ <= cores;
    const ThreadStarter startThread = starter ? starter : [](std::function<void()> work) {
        return std::thread(std::move(work));
    };
    // Every worker that did start is kept (and joined by the destructor); the
    // first one the system refuses ends the starting.
    try {
        workers_.reserve(wanted_ - 1);
        for (unsigned t = 1; t < wanted_; ++t)
            workers_.push_back(startThread([this] { workerLoop(); }));
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
}

MutantEngine::~MutantEngine()
{
    // A batch still being evaluated is seen through: its outcomes are written
    // into the caller's vectors.
    finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_.store(true);
    }
    wake_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

namespace {

// Spins until ready() holds or about a millisecond has passed.
template <typename Ready>
bool SpinUntil(bool spin, Ready&& ready)
{
    if (!spin)
        return ready();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    for (unsigned round = 0;; ++round) {
        if (ready())
            return true;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if ((round & 1023u) == 1023u && std::chrono::steady_clock::now() > limit)
            return false;
    }
}

}  // namespace

void MutantEngine::runShare()
{
    for (;;) {
        const std::size_t index = next_.fetch_add(1, std::memory_order_relaxed);
        if (index >= count_ || index > firstFault_.load(std::memory_order_relaxed))
            return;
        MutantOutcome& outcome = (*outcomes_)[index];
        EvaluateMutant(model_, start_, target_, steps_, (*laws_)[index], outcome);
        if (outcome.fault) {
            std::size_t seen = firstFault_.load(std::memory_order_relaxed);
            while (index < seen && !firstFault_.compare_exchange_weak(seen, index)) {
            }
        }
    }
}

void MutantEngine::workerLoop()
{
    // The FPU state is per thread.
    PrepareFpu();
    std::size_t seen = 0;
    for (;;) {
        const auto ready = [&] { return stop_.load() || round_.load(std::memory_order_acquire) != seen; };
        if (!SpinUntil(spin_, ready)) {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, ready);
        }
        if (stop_.load())
            return;
        seen = round_.load(std::memory_order_acquire);
        runShare();
        if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            std::lock_guard<std::mutex> lock(mutex_);
            done_.notify_one();
        }
    }
}

void MutantEngine::begin(const std::vector<MutantLaw>& laws, std::vector<MutantOutcome>& outcomes,
                         std::size_t count)
{
    finish();
    if (outcomes.size() < count)
        outcomes.resize(count);
    laws_ = &laws;
    outcomes_ = &outcomes;
    count_ = count;
    next_.store(0, std::memory_order_relaxed);
    firstFault_.store(count, std::memory_order_relaxed);
    busy_.store(workers_.size(), std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        round_.fetch_add(1, std::memory_order_release);
    }
    if (!workers_.empty())
        wake_.notify_all();
    inFlight_ = true;
}

void MutantEngine::finish()
{
    if (!inFlight_)
        return;
    inFlight_ = false;
    runShare();
    const auto finished = [&] { return busy_.load(std::memory_order_acquire) == 0; };
    if (!SpinUntil(spin_, finished)) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, finished);
    }
    // The calling thread's own flags must not leak into the driver's checks.
    ClearFpuFaults();
}

void MutantEngine::evaluate(const std::vector<MutantLaw>& laws,
                            std::vector<MutantOutcome>& outcomes, std::size_t count)
{
    begin(laws, outcomes, count);
    finish();
}

}  // namespace zarudiv
