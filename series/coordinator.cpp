#include "series/coordinator.h"

#include <algorithm>
#include <exception>

#include "campaign/checkpoint_file.h"
#include "edge/whole_file.h"
#include "series/run_campaign.h"

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

bool Coordinator::nextRun(PendingRun& run)
{
    for (;;) {
        if (nextInBatch_ == batch_.size()) {
            if (exhausted_)
                return false;
            // The rows are read in batches, so a series of any length holds
            // only a batch of them in memory.
            try {
                batch_ = store_.pendingRuns(plan_, lastFetched_, kBatch);
            } catch (const std::exception& error) {
                // The runs that came back are still stored; no more are started.
                batch_.clear();
                exhausted_ = true;
                fail(report_.readError, error.what());
                return false;
            }
            nextInBatch_ = 0;
            if (batch_.empty()) {
                exhausted_ = true;
                return false;
            }
            lastFetched_ = batch_.back().id;
            // A shorter run done before its batch was read is not met again.
            handedAsShorter_.erase(handedAsShorter_.begin(),
                                   handedAsShorter_.lower_bound(batch_.front().id));
        }
        run = batch_[nextInBatch_++];
        if (handedAsShorter_.erase(run.id) == 0)
            return true;
    }
}

std::optional<CampaignState> Coordinator::keptStateFor(const RunKey& key, int latest)
{
    const std::optional<KeptState> kept = store_.keptState(key, latest);
    if (!kept)
        return std::nullopt;
    const std::string where = "the state kept for run " + std::to_string(kept->runId);
    try {
        CampaignState state = ParseCheckpoint(kept->state, where);
        Campaign same = CampaignOf(key);
        same.generations = state.campaign.generations;
        if (!(state.campaign == same) || state.generationsDone != kept->generation)
            throw std::runtime_error(where + ": the state is of another campaign (" +
                                     RunnerArguments(state.campaign) + ", generation " +
                                     std::to_string(state.generationsDone) + ")");
        if (kept->rowsElsewhere) {
            if (kept->rows.size() != static_cast<std::size_t>(kept->generation))
                throw std::runtime_error(where + ": its run has " +
                                         std::to_string(kept->rows.size()) + " of " +
                                         std::to_string(kept->generation) + " generations stored");
            state.rows.clear();
            state.rows.reserve(kept->rows.size());
            for (std::size_t i = 0; i < kept->rows.size(); ++i) {
                GenerationRecord record;
                record.generation = static_cast<int>(i + 1);
                record.evaluations = static_cast<std::int64_t>(i + 1) * key.setting.mutants;
                record.bestQ = kept->rows[i].bestQ;
                record.stepWidth = kept->rows[i].stepWidth;
                record.accepted = kept->rows[i].accepted;
                state.rows.push_back(record);
            }
        } else if (state.rows.size() != static_cast<std::size_t>(state.generationsDone)) {
            throw std::runtime_error(where + ": the state has no rows");
        }
        return state;
    } catch (const std::exception& error) {
        // Another program version's state, or one damaged: the run is
        // computed from its start, which gives the same bytes.
        if (report_.stateRefused.empty())
            report_.stateRefused = error.what();
        ++report_.statesRefused;
        return std::nullopt;
    }
}

bool Coordinator::nextJob(RunJob& job)
{
    PendingRun run;
    if (!nextRun(run))
        return false;
    // The plan's other runs of the same campaign that are still to do: the
    // longest is computed, the others are taken from its trajectory.
    std::vector<PendingRun> chain = {run};
    try {
        for (const PendingRun& other : store_.otherGenerations(plan_, run.key))
            // One with a smaller id was met before and handed out then.
            if (other.id > run.id)
                chain.push_back(other);
        std::sort(chain.begin(), chain.end(), [](const PendingRun& a, const PendingRun& b) {
            return a.key.setting.generations < b.key.setting.generations;
        });
        job = RunJob();
        job.runId = chain.back().id;
        job.key = chain.back().key;
        for (std::size_t i = 0; i + 1 < chain.size(); ++i)
            job.shorter.push_back(ShorterRun{chain[i].id, chain[i].key.setting.generations});
        job.resume = keptStateFor(run.key, chain.front().key.setting.generations);
    } catch (const std::exception& error) {
        exhausted_ = true;
        fail(report_.readError, error.what());
        return false;
    }
    for (const ShorterRun& shorter : job.shorter)
        if (shorter.runId > run.id)
            handedAsShorter_.insert(shorter.runId);
    if (job.runId > run.id)
        handedAsShorter_.insert(job.runId);
    if (job.resume) {
        ++report_.continued;
        report_.continuedFrom.push_back(job.resume->generationsDone);
    }
    report_.taken += job.shorter.size();
    return true;
}

void Coordinator::handOut()
{
    unsigned totalCores = 0;
    for (const ExecutorGroup* group : groups_)
        totalCores += group->cores();
    // The runs handed to each group, marked running together.
    std::vector<std::vector<std::int64_t>> handedTo(groups_.size());
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
        RunJob job;
        if (bestFree == 0 || !nextJob(job))
            break;
        // One core per run while there are enough runs. A run that starts
        // while fewer runs are left to start than cores are free shares out
        // those cores (its mutant engine runs on them): a plan, or the rest
        // of one, with fewer runs than threads. A campaign keeps its engine
        // threads to its end, so at the tail of a long series, where cores
        // become free one at a time after the last run has started, they
        // stay idle.
        unsigned cores = 1;
        if (left < totalFree)
            cores = std::max(1u, static_cast<unsigned>(bestFree / left));
        job.engineThreads = cores;
        groups_[best]->submit(job);
        used_[best] += cores;
        inFlight_.emplace(job.runId, InFlight{job.runId, job.key, best, cores, job.shorter});
        started_ += 1 + job.shorter.size();
        // The shorter runs are in flight with it.
        std::vector<std::int64_t>& ids = handedTo[best];
        ids.push_back(job.runId);
        for (const ShorterRun& shorter : job.shorter)
            ids.push_back(shorter.runId);
    }
    for (std::size_t g = 0; g < groups_.size(); ++g)
        markRunning(handedTo[g], groups_[g]->host());
}

void Coordinator::showProgress()
{
    std::uint64_t running = 0;
    for (const auto& [id, handed] : inFlight_)
        running += 1 + handed.shorter.size();
    progress_.running(running);
}

void Coordinator::markRunning(const std::vector<std::int64_t>& runIds, const std::string& host)
{
    if (runIds.empty() || !report_.writeError.empty() || !report_.protocolsFull.empty())
        return;
    try {
        store_.markRunning(runIds, UtcNow(), host);
    } catch (const SeriesStoreError& error) {
        fail(report_.writeError, error.what());
        if (!store_.inGroup())
            dropGroup();
    }
}

// Where the runs in flight have got to, all in one go, with the open group
// or as one of its own.
void Coordinator::refreshRunning()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRefresh_ < options_.refreshEvery)
        return;
    lastRefresh_ = now;
    if (!report_.writeError.empty() || !report_.protocolsFull.empty() || stopping_)
        return;
    progressRead_.clear();
    for (const ExecutorGroup* group : groups_)
        group->progress(progressRead_);
    // A run that came back meanwhile may still be read: only those in
    // flight are written.
    std::erase_if(progressRead_,
                  [this](const RunProgress& run) { return !inFlight_.contains(run.runId); });
    if (progressRead_.empty())
        return;
    try {
        store_.refreshRunning(progressRead_);
    } catch (const SeriesStoreError& error) {
        fail(report_.writeError, error.what());
        if (!store_.inGroup())
            dropGroup();
    }
}

// Nothing stays running once the series has ended: what did not come back
// done or failed is to do again.
void Coordinator::resetRunning()
{
    if (!report_.writeError.empty())
        return;
    try {
        store_.resetRunning();
    } catch (const SeriesStoreError& error) {
        // The next start resets them.
        fail(report_.writeError, error.what());
        if (!store_.inGroup())
            dropGroup();
    }
}

void Coordinator::collect(std::chrono::milliseconds wait, std::vector<RunOutcome>& outcomes)
{
    std::vector<std::size_t> from;
    arrived_.clear();
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        try {
            groups_[g]->collect(arrived_, g == 0 ? wait : std::chrono::milliseconds(0));
        } catch (const std::exception& error) {
            // A message that does not decode: what came before it stands.
            fail(report_.fault, groups_[g]->name() + ": " + error.what());
        }
        from.resize(arrived_.size(), g);
    }
    // A signal that reached one process of the job stops the whole series;
    // the group said so before the runs it abandoned came back.
    for (std::size_t g = 0; g < groups_.size() && !stopping_; ++g)
        if (const int signal = groups_[g]->stopSignal(); signal != 0) {
            report_.stopSignal = signal;
            report_.stoppedIn = groups_[g]->name();
            stopAll();
        }
    for (std::size_t i = 0; i < arrived_.size(); ++i) {
        if (const std::string problem = mismatch(from[i], arrived_[i]); !problem.empty()) {
            fail(report_.fault, groups_[from[i]]->name() + ": " + problem);
            continue;
        }
        outcomes.push_back(std::move(arrived_[i]));
    }
}

std::string Coordinator::mismatch(std::size_t group, const RunOutcome& outcome)
{
    const std::string run = "run " + std::to_string(outcome.runId);
    const auto at = inFlight_.find(outcome.runId);
    if (at == inFlight_.end())
        return run + " came back, but no process was running it";
    if (at->second.group != group)
        return run + " came back, but was handed to " + groups_[at->second.group]->name();
    // Whatever came back, the group no longer runs it.
    const InFlight handed = at->second;
    used_[handed.group] -= handed.cores;
    inFlight_.erase(at);

    const auto label = [](const RunKey& key) {
        return SettingLabel(key.setting) + " seed " + std::to_string(key.seed);
    };
    if (outcome.key != handed.key)
        return run + " came back as " + label(outcome.key) + ", but was handed out as " +
               label(handed.key);
    if (outcome.status == RunStatus::Abandoned && !stopping_)
        return run + " came back abandoned, but the series was not stopped";
    if (outcome.status == RunStatus::Stopped) {
        if (!stopping_)
            return run + " came back stopped, but the series was not stopped";
        if (outcome.state.empty() || outcome.stoppedAt < 0 ||
            outcome.stoppedAt > handed.key.setting.generations)
            return run + " came back stopped without its state";
    }
    if (const std::string problem = checkShorter(handed, outcome); !problem.empty())
        return problem;
    if (outcome.status != RunStatus::Done)
        return {};
    return checkDone(run, handed.key.setting, outcome);
}

std::string Coordinator::checkDone(const std::string& run, const Setting& setting,
                                   const RunOutcome& outcome) const
{
    const auto generations = static_cast<std::size_t>(setting.generations);
    if (outcome.generations.size() != generations)
        return run + " came back with " + std::to_string(outcome.generations.size()) +
               " generations of " + std::to_string(generations);
    if (outcome.evaluations != static_cast<std::int64_t>(setting.generations) * setting.mutants)
        return run + " came back with " + std::to_string(outcome.evaluations) +
               " evaluations, not " + std::to_string(setting.generations) + " x " +
               std::to_string(setting.mutants);
    if (outcome.bestGeneration < 1 || outcome.bestGeneration > setting.generations ||
        outcome.bestQ != outcome.generations.back().bestQ)
        return run + " came back with a final best Q that is not its last generation's";
    if (options_.protocolsDir && ProtocolSha256(outcome.protocol) != outcome.protocolSha256)
        return run + " came back without the protocol its hash names";
    return {};
}

// The shorter runs come back in their order, each as done or failed; all of
// them unless the run was stopped or ran out of resources.
std::string Coordinator::checkShorter(const InFlight& handed, const RunOutcome& outcome) const
{
    const std::string run = "run " + std::to_string(handed.runId);
    const bool whole = outcome.status == RunStatus::Done || outcome.status == RunStatus::Failed;
    if (outcome.shorter.size() > handed.shorter.size() ||
        (whole && outcome.shorter.size() != handed.shorter.size()) ||
        (outcome.status == RunStatus::Abandoned && !outcome.shorter.empty()))
        return run + " came back with " + std::to_string(outcome.shorter.size()) + " of its " +
               std::to_string(handed.shorter.size()) + " shorter runs";
    for (std::size_t i = 0; i < outcome.shorter.size(); ++i) {
        const RunOutcome& shorter = outcome.shorter[i];
        RunKey key = handed.key;
        key.setting.generations = handed.shorter[i].generations;
        const std::string which = "run " + std::to_string(handed.shorter[i].runId);
        if (shorter.runId != handed.shorter[i].runId || shorter.key != key)
            return run + " came back with run " + std::to_string(shorter.runId) + " in place of " +
                   which;
        if (shorter.status == RunStatus::Done) {
            if (const std::string problem = checkDone(which, key.setting, shorter); !problem.empty())
                return problem;
        } else if (shorter.status != RunStatus::Failed && shorter.status != RunStatus::NoResources) {
            return which + " came back neither done nor failed from the trajectory of " + run;
        }
    }
    return {};
}

void Coordinator::storeOne(RunOutcome& outcome)
{
    // The shorter runs taken from its trajectory first: the run itself may
    // end the series.
    for (RunOutcome& shorter : outcome.shorter)
        storeOne(shorter);
    report_.generationsRun += static_cast<std::uint64_t>(std::max(0, outcome.generationsRun));
    if (outcome.status == RunStatus::Abandoned) {
        ++report_.abandoned;
        return;
    }
    if (outcome.status == RunStatus::NoResources) {
        // Every run after it would fail the same way: the run stays to
        // do, and the series stops.
        fail(report_.resourceError, outcome.error.empty() ? "out of memory" : outcome.error);
        return;
    }
    // After a failed write nothing more is stored: what is in the
    // database stays as it was.
    if (!report_.writeError.empty() || !report_.protocolsFull.empty()) {
        if (outcome.status == RunStatus::Stopped)
            ++report_.abandoned;
        return;
    }
    report_.computeSeconds += outcome.seconds;
    if (outcome.status == RunStatus::Done && options_.protocolsDir) {
        const std::string path = ProtocolPath(options_.protocolsDir, outcome.key);
        if (const FileError error = WriteWholeFile(path, outcome.protocol)) {
            // On a full disk every protocol after it would be lost too.
            if (error.noSpace()) {
                fail(report_.protocolsFull, path);
                return;
            }
            outcome.status = RunStatus::Failed;
            outcome.error = "cannot write the protocol " + path + ": " + error.message();
        }
    }
    try {
        store_.addToGroup(outcome);
    } catch (const SeriesStoreError& error) {
        if (outcome.status == RunStatus::Stopped)
            ++report_.abandoned;
        fail(report_.writeError, error.what());
        // What the group held before stays, if the store kept it.
        if (!store_.inGroup())
            dropGroup();
        return;
    }
    // Counted once the group is committed.
    if (outcome.status == RunStatus::Done) {
        ++groupDone_;
        groupBest_ = std::min(groupBest_.value_or(outcome.bestQ), outcome.bestQ);
    }
    else if (outcome.status == RunStatus::Stopped)
        groupStoppedAt_.push_back(outcome.stoppedAt);
    else
        ++groupFailed_;
}

// A group rolled back: its stopped runs are abandoned after all, its others
// to do again.
void Coordinator::dropGroup()
{
    report_.abandoned += groupStoppedAt_.size();
    groupStoppedAt_.clear();
    groupBest_.reset();
    groupDone_ = groupFailed_ = 0;
}

void Coordinator::storeAll(std::vector<RunOutcome>& outcomes)
{
    const auto start = std::chrono::steady_clock::now();
    for (RunOutcome& outcome : outcomes)
        storeOne(outcome);
    if (groupDue())
        commitGroup();
    report_.storeSeconds += SecondsSince(start);
}

bool Coordinator::groupDue() const
{
    if (!store_.inGroup())
        return false;
    return stopping_ || store_.groupRuns() >= options_.groupRuns ||
           store_.groupRows() >= options_.groupRows ||
           std::chrono::steady_clock::now() - store_.groupOpened() >= options_.groupAge;
}

void Coordinator::commitGroup()
{
    try {
        store_.commitGroup();
        report_.stored += groupDone_;
        report_.failed += groupFailed_;
        if (groupBest_)
            progress_.doneWith(*groupBest_);
        groupBest_.reset();
        report_.stoppedAt.insert(report_.stoppedAt.end(), groupStoppedAt_.begin(),
                                 groupStoppedAt_.end());
        groupStoppedAt_.clear();
        groupDone_ = groupFailed_ = 0;
    } catch (const SeriesStoreError& error) {
        fail(report_.writeError, error.what());
        dropGroup();
    }
    progress_.update(report_.stored, report_.failed);
}

// The first group's wait, cut short when the open group falls due sooner.
std::chrono::milliseconds Coordinator::waitFor(std::chrono::milliseconds poll) const
{
    if (!store_.inGroup())
        return poll;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        store_.groupOpened() + options_.groupAge - std::chrono::steady_clock::now());
    return std::clamp(left, std::chrono::milliseconds(0), poll);
}

void Coordinator::fail(std::string& what, const std::string& why)
{
    if (what.empty())
        what = why;
    stopAll();
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
        if (stopping_ && stoppedAt == std::chrono::steady_clock::time_point()) {
            stoppedAt = std::chrono::steady_clock::now();
            // What has finished is stored before the stop goes on.
            if (store_.inGroup())
                commitGroup();
        }
        refreshRunning();
        if (groupDue())
            commitGroup();
        handOut();
        showProgress();
        if (inFlight_.empty())
            break;
        if (stopping_ && std::chrono::steady_clock::now() - stoppedAt > kDrainLimit) {
            report_.abandoned += inFlight_.size();
            break;
        }
        outcomes.clear();
        collect(waitFor(options_.poll), outcomes);
        if (outcomes.empty())
            continue;
        // The freed cores get their next runs before the finished ones are
        // stored, so that storing overlaps with computing.
        handOut();
        storeAll(outcomes);
    }
    resetRunning();
    // Nothing is reported that is not stored.
    if (store_.inGroup()) {
        const auto commitStart = std::chrono::steady_clock::now();
        commitGroup();
        report_.storeSeconds += SecondsSince(commitStart);
    }
    report_.wallSeconds = SecondsSince(start);
    progress_.finish();
    return report_;
}

}  // namespace zarudiv
