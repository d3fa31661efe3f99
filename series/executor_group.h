#pragma once
// Somewhere runs can go: this process's threads, or another process of an MPI
// job. The coordinator hands a group one run per free core and collects what
// comes back; it is the only one that talks to a group.

#include <chrono>
#include <string>
#include <vector>

#include "series/run_job.h"

namespace zarudiv {

class ExecutorGroup {
public:
    virtual ~ExecutorGroup() = default;

    // The cores the group's runs may use together.
    virtual unsigned cores() const = 0;
    // Runs the group may hold beyond its cores, waiting, while the series
    // has more runs left than cores: a group that hears of its next run only
    // after a delay starts it without one.
    virtual unsigned spares() const { return 0; }
    // The machine the group runs on.
    virtual const std::string& host() const = 0;
    // Who the group is, for messages: "this process", "rank 2 on node07".
    virtual std::string name() const = 0;
    // Starts the run (as soon as a thread of the group is free).
    virtual void submit(const RunJob& job) = 0;
    // Appends the outcomes that have come back since the last call, waiting
    // at most `wait` for the first.
    virtual void collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds wait) = 0;
    // Abandons every run submitted and not yet back: each still comes back,
    // as abandoned (or done, when it finished first).
    virtual void stop() = 0;
    // A stop signal that reached the group's process on its own (a worker
    // that `kill` or a batch system signalled), or 0. It stops the whole
    // series: the group has stopped taking runs. Read after collect(); the
    // group reports it before the runs it abandoned come back.
    virtual int stopSignal() const { return 0; }
    // Appends where the group's runs in flight have got to, as far as the
    // group knows (a group may know nothing of it).
    virtual void progress(std::vector<RunProgress>& /*runs*/) const {}
};

}  // namespace zarudiv
