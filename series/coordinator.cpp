#include "series/coordinator.h"

#include <algorithm>

#include "series/run_campaign.h"
#include "series/whole_file.h"

namespace zarudiv {

namespace {

constexpr std::size_t kBatch = 1024;
// A stopped campaign returns at the end of its generation, within
// milliseconds. A group that has not answered in half a second never will: a
// process of an MPI job that died, after which the launcher gives the others
// a second before it kills them.
constexpr std::chrono::milliseconds kDrainLimit{500};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Coordinator::Coordinator(SeriesStore& store, const SeriesPlan& plan,
                         std::vector<ExecutorGroup*> groups, CoordinatorOptions options,
                         ProgressLine& progress)
    : store_(store), plan_(plan), groups_(std::move(groups)), used_(groups_.size(), 0),
      options_(std::move(options)), progress_(progress)
{
}

bool Coordinator::nextJob(PendingRun& run)
{
    if (nextInBatch_ == batch_.size()) {
        if (exhausted_)
            return false;
        // The rows are read in batches, so a series of any length holds
        // only a batch of them in memory.
        batch_ = store_.pendingRuns(plan_, lastFetched_, kBatch);
        nextInBatch_ = 0;
        if (batch_.empty()) {
            exhausted_ = true;
            return false;
        }
        lastFetched_ = batch_.back().id;
    }
    run = batch_[nextInBatch_++];
    return true;
}

void Coordinator::handOut()
{
    unsigned totalCores = 0;
    for (const ExecutorGroup* group : groups_)
        totalCores += group->cores();
    while (!stopping_) {
        const std::uint64_t left = report_.toRun > started_ ? report_.toRun - started_ : 1;
        // Spare runs wait in a group only while there are more runs than
        // cores: the last runs go to whichever cores become free.
        const bool spares = left > totalCores;
        std::size_t best = 0;
        unsigned bestFree = 0;
        unsigned totalFree = 0;
        for (std::size_t g = 0; g < groups_.size(); ++g) {
            const unsigned capacity = groups_[g]->cores() + (spares ? groups_[g]->spares() : 0);
            const unsigned free = capacity - std::min(used_[g], capacity);
            totalFree += free;
            if (free > bestFree) {
                best = g;
                bestFree = free;
            }
        }
        PendingRun run;
        if (bestFree == 0 || !nextJob(run))
            return;
        // One core per run while there are enough runs; the last few runs
        // share out the cores that would otherwise stay idle.
        unsigned cores = 1;
        if (left < totalFree)
            cores = std::max(1u, static_cast<unsigned>(bestFree / left));
        RunJob job;
        job.runId = run.id;
        job.key = run.key;
        job.engineThreads = cores;
        groups_[best]->submit(job);
        used_[best] += cores;
        inFlight_.emplace_back(run.id, InFlight{best, cores});
        ++started_;
    }
}

void Coordinator::collect(std::chrono::milliseconds wait, std::vector<RunOutcome>& outcomes)
{
    for (std::size_t g = 0; g < groups_.size(); ++g)
        groups_[g]->collect(outcomes, g == 0 ? wait : std::chrono::milliseconds(0));
    for (const RunOutcome& outcome : outcomes) {
        const auto at = std::find_if(inFlight_.begin(), inFlight_.end(),
                                     [&](const auto& entry) { return entry.first == outcome.runId; });
        if (at == inFlight_.end())
            continue;
        used_[at->second.group] -= at->second.cores;
        inFlight_.erase(at);
    }
    // A signal that reached one process of the job stops the whole series;
    // the group said so before the runs it abandoned came back.
    for (std::size_t g = 0; g < groups_.size() && !stopping_; ++g)
        if (const int signal = groups_[g]->stopSignal(); signal != 0) {
            report_.stopSignal = signal;
            report_.stoppedIn = groups_[g]->name();
            stopAll();
        }
}

void Coordinator::storeAll(std::vector<RunOutcome>& outcomes)
{
    const auto start = std::chrono::steady_clock::now();
    for (RunOutcome& outcome : outcomes) {
        if (outcome.status == RunStatus::Abandoned) {
            ++report_.abandoned;
            continue;
        }
        // After a failed write nothing more is stored: what is in the
        // database stays as it was.
        if (!report_.writeError.empty())
            continue;
        report_.computeSeconds += outcome.seconds;
        if (outcome.status == RunStatus::Done && options_.protocolsDir) {
            const std::string path = ProtocolPath(options_.protocolsDir, outcome.key);
            if (const std::string problem = WriteWholeFile(path, outcome.protocol);
                !problem.empty()) {
                outcome.status = RunStatus::Failed;
                outcome.error = "cannot write the protocol " + path + ": " + problem;
            }
        }
        try {
            store_.storeRun(outcome);
        } catch (const SeriesStoreError& error) {
            report_.writeError = error.what();
            stopAll();
            continue;
        }
        if (outcome.status == RunStatus::Done)
            ++report_.stored;
        else
            ++report_.failed;
    }
    report_.storeSeconds += SecondsSince(start);
    progress_.update(report_.stored + report_.failed, report_.failed);
}

void Coordinator::stopAll()
{
    if (stopping_)
        return;
    stopping_ = true;
    for (ExecutorGroup* group : groups_)
        group->stop();
}

SeriesReport Coordinator::run(std::uint64_t toRun)
{
    const auto start = std::chrono::steady_clock::now();
    report_.toRun = toRun;
    progress_.update(0, 0);
    std::vector<RunOutcome> outcomes;
    std::chrono::steady_clock::time_point stoppedAt;
    for (;;) {
        if (!stopping_) {
            if (const int signal = options_.stopSignal(); signal != 0) {
                report_.stopSignal = signal;
                stopAll();
            }
        }
        if (stopping_ && stoppedAt == std::chrono::steady_clock::time_point())
            stoppedAt = std::chrono::steady_clock::now();
        handOut();
        if (inFlight_.empty())
            break;
        if (stopping_ && std::chrono::steady_clock::now() - stoppedAt > kDrainLimit) {
            report_.abandoned += inFlight_.size();
            break;
        }
        outcomes.clear();
        collect(options_.poll, outcomes);
        if (outcomes.empty())
            continue;
        // The freed cores get their next runs before the finished ones are
        // stored, so that storing overlaps with computing.
        handOut();
        storeAll(outcomes);
    }
    report_.wallSeconds = SecondsSince(start);
    progress_.finish();
    return report_;
}

}  // namespace zarudiv
