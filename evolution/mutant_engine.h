#pragma once
// Evaluates the mutants of one generation: each mutant's law develops the start
// vector over the model steps, and its quality against the target is measured.
// The evaluations draw nothing from the generator (the driver accounts for the
// quality measure's draws), so they can run on all cores in any order; the
// driver then accepts them in mutant order, exactly as a sequential run does.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "evolution/fast_diffusion.h"
#include "evolution/fpu.h"
#include "evolution/tvector.h"

namespace zarudiv {

struct MutantLaw {
    TVector activator;
    TVector inhibitor;
};

struct MutantOutcome {
    double quality = 0.0;
    TVector state;
    std::optional<FloatingPointFault::Kind> fault;
};

// Develops start under the law for `steps` model steps and measures the quality
// without drawing. Leaves a fault in the outcome instead of throwing.
void EvaluateMutant(const FastDiffusion& model, const TVector& start, const TVector& target,
                    int steps, const MutantLaw& law, MutantOutcome& outcome);

// Starts a thread that runs the given work, as constructing a std::thread
// does; throws std::system_error when no thread can be had.
using ThreadStarter = std::function<std::thread(std::function<void()>)>;

class MutantEngine {
public:
    // threads: 0 for all cores; 1 evaluates on the calling thread only. No
    // more threads are used than a generation has mutants. When the system
    // runs out of threads, the engine keeps those that did start (at least
    // the calling thread): threads() says how many that is.
    MutantEngine(const TVector& start, const TVector& target, int steps, unsigned threads,
                 std::size_t mutants, const ThreadStarter& starter = {});
    ~MutantEngine();
    MutantEngine(const MutantEngine&) = delete;
    MutantEngine& operator=(const MutantEngine&) = delete;

    // The threads that evaluate, the calling one included, and how many were
    // wanted.
    unsigned threads() const { return static_cast<unsigned>(workers_.size()) + 1u; }
    unsigned wantedThreads() const { return wanted_; }

    // Evaluates laws[0..count). Every mutant before the first faulting one is
    // evaluated; mutants after it may be left unevaluated.
    void evaluate(const std::vector<MutantLaw>& laws, std::vector<MutantOutcome>& outcomes,
                  std::size_t count);

    // The same in two halves, so that the calling thread can do other work
    // while the other threads evaluate: begin() hands the batch to them,
    // finish() evaluates what is left on the calling thread and waits for
    // the rest. The vectors must outlive finish() (the destructor finishes a
    // batch still in flight).
    void begin(const std::vector<MutantLaw>& laws, std::vector<MutantOutcome>& outcomes,
               std::size_t count);
    void finish();

private:
    void workerLoop();
    void runShare();

    FastDiffusion model_;
    TVector start_;
    TVector target_;
    int steps_;

    unsigned wanted_ = 1;
    std::vector<std::thread> workers_;
    // Workers and the driver spin a little before they sleep: a generation's
    // serial part is short, and waking a sleeping thread costs more than a
    // mutant's evaluation on some machines.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::atomic<std::size_t> round_{0};
    std::atomic<std::size_t> busy_{0};
    std::atomic<bool> stop_{false};
    bool spin_ = true;  // only while every thread has a core of its own

    // The batch being evaluated, published by the round counter.
    const std::vector<MutantLaw>* laws_ = nullptr;
    std::vector<MutantOutcome>* outcomes_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};        // next mutant to hand out
    std::atomic<std::size_t> firstFault_{0};  // first faulting mutant so far, or count_
    bool inFlight_ = false;  // begun and not yet finished (the calling thread's own state)
};

}  // namespace zarudiv
