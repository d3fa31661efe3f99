#pragma once
// Series data for the analysis' tests: in memory, or written into a series
// database through the series' own store.

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "analysis/series_data.h"
#include "series/series_store.h"

namespace zarudiv::testing {

struct RunCurve {
    std::uint32_t seed = 0;
    std::vector<double> curve;  // the best Q after each generation
};

inline DoneRun MakeRun(std::int64_t id, const RunCurve& run)
{
    DoneRun done;
    done.id = id;
    done.seed = run.seed;
    done.curve = run.curve;
    done.finalQ = run.curve.back();
    done.bestGeneration = static_cast<int>(
        std::find(run.curve.begin(), run.curve.end(), run.curve.back()) - run.curve.begin() + 1);
    return done;
}

// Settings in the order given, their runs' ids numbered from 1 through all.
inline SeriesData MakeData(std::vector<std::pair<Setting, std::vector<RunCurve>>> settings)
{
    SeriesData data;
    data.fileName = "test.sqlite";
    std::int64_t id = 0;
    for (auto& [setting, runs] : settings) {
        SettingRuns s;
        s.setting = setting;
        for (const RunCurve& run : runs)
            s.runs.push_back(MakeRun(++id, run));
        data.settings.push_back(std::move(s));
    }
    data.statusCounts = {{"done", id}};
    return data;
}

// A curve falling by `step` a generation to `final` after `generations`.
inline std::vector<double> Falling(double final, int generations, double step)
{
    std::vector<double> curve;
    for (int g = 1; g <= generations; ++g)
        curve.push_back(final + step * (generations - g));
    return curve;
}

// Writes a database as a series would: the plan's runs recorded, then each
// run of `runs` stored as done (a run of the plan not in `runs` stays
// pending).
inline void WriteSeries(const std::string& file, const SeriesPlan& plan,
                        const std::vector<std::pair<RunKey, std::vector<double>>>& runs)
{
    SeriesStore store(file);
    store.addPlan(plan, PlanRecord{"zarudiv-series --test", "2026-12-08T10:00:00Z", "0.1", "here"});
    for (const PendingRun& pending : store.pendingRuns(plan, 0, plan.runCount())) {
        for (const auto& [key, curve] : runs) {
            if (key != pending.key)
                continue;
            RunOutcome outcome;
            outcome.runId = pending.id;
            outcome.key = key;
            outcome.status = RunStatus::Done;
            outcome.bestQ = curve.back();
            outcome.bestGeneration = static_cast<std::int32_t>(
                std::find(curve.begin(), curve.end(), curve.back()) - curve.begin() + 1);
            outcome.evaluations = static_cast<std::int64_t>(curve.size()) * key.setting.mutants;
            outcome.protocolSha256 = "00";
            for (std::size_t g = 0; g < curve.size(); ++g)
                outcome.generations.push_back({curve[g], 1e-7, static_cast<std::int32_t>(g + 1)});
            store.storeRun(outcome);
        }
    }
}

}  // namespace zarudiv::testing
