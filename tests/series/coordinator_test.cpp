// The scheduler against executor groups that answer as the test says: what
// a group sends back is stored only when it is the run the group was given,
// and a stop that reaches one group stops them all.

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "series/coordinator.h"
#include "tests/series/series_dump.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::Coordinator;
using zarudiv::RunJob;
using zarudiv::RunOutcome;
using zarudiv::RunStatus;
using zarudiv::SeriesPlan;
using zarudiv::SeriesReport;
using zarudiv::SeriesStore;
using zarudiv::testing::TempDir;

// What a campaign of the job's setting hands back, whole.
RunOutcome Finished(const RunJob& job, const std::string& host)
{
    RunOutcome outcome;
    outcome.runId = job.runId;
    outcome.key = job.key;
    outcome.status = RunStatus::Done;
    outcome.host = host;
    for (int g = 1; g <= job.key.setting.generations; ++g)
        outcome.generations.push_back({100.0 - g, 1e-6, 1});
    outcome.bestQ = outcome.generations.back().bestQ;
    outcome.bestGeneration = job.key.setting.generations;
    outcome.evaluations = std::int64_t{job.key.setting.generations} * job.key.setting.mutants;
    outcome.protocolSha256 = "ab";
    return outcome;
}

// One core; every run it is given comes back at the next collect, as
// `answer` makes it. Once stopped, runs come back abandoned.
class FakeGroup : public zarudiv::ExecutorGroup {
public:
    using Answer = std::function<RunOutcome(const RunJob&)>;

    FakeGroup(std::string name, std::string host, Answer answer)
        : name_(std::move(name)), host_(std::move(host)), answer_(std::move(answer))
    {
    }

    unsigned cores() const override { return 1; }
    const std::string& host() const override { return host_; }
    std::string name() const override { return name_; }
    void submit(const RunJob& job) override
    {
        jobs_.push_back(job);
        ++submitted;
    }
    void collect(std::vector<RunOutcome>& outcomes, std::chrono::milliseconds wait) override
    {
        if (signalOnCollect != 0 && signal_ == 0) {
            // The process got a signal of its own: it says so, then gives
            // back what it had.
            signal_ = signalOnCollect;
            stopped = true;
        }
        if (jobs_.empty())
            std::this_thread::sleep_for(std::min(wait, std::chrono::milliseconds(5)));
        for (const RunJob& job : jobs_) {
            RunOutcome outcome = stopped ? RunOutcome{} : answer_(job);
            if (stopped) {
                outcome.runId = job.runId;
                outcome.key = job.key;
                outcome.status = RunStatus::Abandoned;
            }
            outcomes.push_back(std::move(outcome));
        }
        jobs_.clear();
    }
    void stop() override { stopped = true; }
    int stopSignal() const override { return signal_; }

    int signalOnCollect = 0;
    bool stopped = false;
    int submitted = 0;

private:
    std::string name_;
    std::string host_;
    Answer answer_;
    std::vector<RunJob> jobs_;
    int signal_ = 0;
};

SeriesPlan Plan(std::uint32_t repeat)
{
    SeriesPlan plan;
    plan.generations = {3};
    plan.mutants = {2};
    plan.steps = {500};
    plan.firstSeed = 10;
    plan.repeat = repeat;
    return plan;
}

struct Series {
    TempDir dir;
    SeriesStore store{dir.file("s.sqlite")};
    SeriesPlan plan;

    explicit Series(std::uint32_t repeat) : plan(Plan(repeat))
    {
        store.addPlan(plan, zarudiv::PlanRecord{"test", "2026-12-08T10:00:00Z", "0.1", "here"});
    }

    SeriesReport run(FakeGroup& local, FakeGroup& remote)
    {
        zarudiv::ProgressLine progress(false, stderr, plan.runCount(), 0);
        Coordinator coordinator(store, plan, {&local, &remote}, zarudiv::CoordinatorOptions{},
                                progress);
        return coordinator.run(plan.runCount());
    }

    std::int64_t count(const std::string& table, const std::string& condition) const
    {
        return zarudiv::testing::CountRows(dir.file("s.sqlite"), table, condition);
    }
};

TEST(CoordinatorTest, WhatIsNotTheRunHandedOutStopsTheSeriesAndIsNotStored)
{
    struct Case {
        const char* what;
        std::function<void(RunOutcome&)> damage;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"a run nobody ran", [](RunOutcome& o) { o.runId += 1000; },
         "run 1002 came back, but no process was running it"},
        {"another run's key", [](RunOutcome& o) { o.key.seed += 1; },
         "run 2 came back as G=3 M=2 P=500 seed 12, but was handed out as G=3 M=2 P=500 seed 11"},
        {"a generation short", [](RunOutcome& o) { o.generations.pop_back(); },
         "run 2 came back with 2 generations of 3"},
        {"evaluations of another setting", [](RunOutcome& o) { o.evaluations = 9; },
         "run 2 came back with 9 evaluations, not 3 x 2"},
        {"a final Q from elsewhere", [](RunOutcome& o) { o.bestQ = 1.0; },
         "run 2 came back with a final best Q that is not its last generation's"},
        {"abandoned without a stop", [](RunOutcome& o) { o.status = RunStatus::Abandoned; },
         "run 2 came back abandoned, but the series was not stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Series series(6);
        FakeGroup local("this process", "here", [](const RunJob& job) { return Finished(job, "here"); });
        FakeGroup remote("rank 1 on there", "there", [&](const RunJob& job) {
            RunOutcome outcome = Finished(job, "there");
            c.damage(outcome);
            return outcome;
        });
        const SeriesReport report = series.run(local, remote);

        // The remote's first run is run 2 (seed 11), handed out right after
        // the local one.
        EXPECT_EQ(report.fault, "rank 1 on there: " + c.fault);
        EXPECT_FALSE(report.complete());
        EXPECT_TRUE(local.stopped);
        EXPECT_TRUE(remote.stopped);
        EXPECT_EQ(report.stopSignal, 0);
        // Nothing of the remote's, and every run stored is whole.
        EXPECT_EQ(series.count("runs", "host = 'there'"), 0);
        EXPECT_EQ(series.count("runs", "status = 'done'"), static_cast<std::int64_t>(report.stored));
        EXPECT_EQ(series.count("generations", "1"), 3 * static_cast<std::int64_t>(report.stored));
        EXPECT_LT(report.stored, 6u);
    }
}

TEST(CoordinatorTest, ASignalThatReachesOneGroupStopsThemAll)
{
    Series series(40);
    FakeGroup local("this process", "here", [](const RunJob& job) { return Finished(job, "here"); });
    FakeGroup remote("rank 1 on there", "there", [](const RunJob& job) { return Finished(job, "there"); });
    remote.signalOnCollect = 15;
    const SeriesReport report = series.run(local, remote);

    EXPECT_EQ(report.stopSignal, 15);
    EXPECT_EQ(report.stoppedIn, "rank 1 on there");
    EXPECT_EQ(report.fault, "");
    EXPECT_TRUE(local.stopped);
    EXPECT_EQ(report.abandoned, 1u);
    EXPECT_FALSE(report.complete());
    // No run was handed out after the stop: the plan is left for the next start.
    EXPECT_EQ(local.submitted + remote.submitted,
              static_cast<int>(report.stored + report.abandoned));
    EXPECT_EQ(series.count("runs", "status = 'pending'"), 40 - static_cast<std::int64_t>(report.stored));
    EXPECT_EQ(series.count("generations", "1"), 3 * static_cast<std::int64_t>(report.stored));
}

TEST(CoordinatorTest, RunsThatCannotBeReadEndTheSeriesWithTheError)
{
    Series series(4);
    {
        // Another program took the table away under the series' feet.
        SQLite::Database other(series.dir.file("s.sqlite"), SQLite::OPEN_READWRITE, 10000);
        other.exec("ALTER TABLE runs RENAME TO runs_elsewhere");
    }
    FakeGroup local("this process", "here", [](const RunJob& job) { return Finished(job, "here"); });
    FakeGroup remote("rank 1 on there", "there", [](const RunJob& job) { return Finished(job, "there"); });
    const SeriesReport report = series.run(local, remote);
    EXPECT_NE(report.readError.find("no such table: runs"), std::string::npos) << report.readError;
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(local.submitted + remote.submitted, 0);
}

TEST(CoordinatorTest, FailedRunsAreStoredAndCountedApartFromDoneOnes)
{
    Series series(4);
    const auto failOnSeed11 = [](const std::string& host) {
        return [host](const RunJob& job) {
            RunOutcome outcome = Finished(job, host);
            if (job.key.seed == 11) {
                outcome = RunOutcome{};
                outcome.runId = job.runId;
                outcome.key = job.key;
                outcome.status = RunStatus::Failed;
                outcome.error = "Gleitkommaueberlauf";
            }
            return outcome;
        };
    };
    FakeGroup local("this process", "here", failOnSeed11("here"));
    FakeGroup remote("rank 1 on there", "there", failOnSeed11("there"));
    std::FILE* terminal = std::tmpfile();
    ASSERT_NE(terminal, nullptr);
    zarudiv::ProgressLine progress(true, terminal, series.plan.runCount(), 0);
    Coordinator coordinator(series.store, series.plan, {&local, &remote},
                            zarudiv::CoordinatorOptions{}, progress);
    const SeriesReport report = coordinator.run(series.plan.runCount());

    EXPECT_EQ(report.stored, 3u);
    EXPECT_EQ(report.failed, 1u);
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(series.count("runs", "status = 'failed' AND seed = 11 AND error = 'Gleitkommaueberlauf'"), 1);
    // The last progress line: three done of four, the failed one apart.
    std::rewind(terminal);
    std::string shown;
    for (int c; (c = std::fgetc(terminal)) != EOF;)
        shown += static_cast<char>(c);
    std::fclose(terminal);
    const std::string last = shown.substr(shown.rfind('\r') + 1);
    EXPECT_EQ(last.rfind("runs 3 of 4 done, 1 failed, ", 0), 0u) << last;
}

}  // namespace
