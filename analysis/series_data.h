#pragma once
// What the analysis knows of a series database: its plans, its settings and
// the done runs of each, with every run's best Q after each generation. All
// of it is read from the database at once, in one read transaction.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "series/plan.h"

namespace zarudiv {

// One start of a series, as the plans table keeps it.
struct PlanRow {
    std::int64_t id = 0;
    std::string commandLine;
    std::string started;
    std::string version;
    std::string host;
    std::string generations;  // the lists as given
    std::string mutants;
    std::string steps;
    std::int64_t firstSeed = 0;
    std::int64_t repeat = 0;
    std::int64_t runs = 0;
};

struct DoneRun {
    std::int64_t id = 0;
    std::uint32_t seed = 0;
    double finalQ = 0.0;
    int bestGeneration = 0;  // the first generation with the final Q
    // The best Q so far after generations 1..G: curve[g - 1].
    std::vector<double> curve;
};

struct SettingRuns {
    Setting setting;
    std::vector<DoneRun> runs;  // by seed
    // Runs of the setting that are in the database but not done (pending,
    // failed, or whatever a newer series calls them).
    std::size_t notDone = 0;

    // Each run of the setting spends this many evaluations.
    std::int64_t evaluationsPerRun() const
    {
        return static_cast<std::int64_t>(setting.generations) * setting.mutants;
    }
};

struct RunCount {
    std::string status;
    std::int64_t runs = 0;
};

struct SeriesData {
    std::string fileName;
    int schemaVersion = 0;
    std::vector<PlanRow> plans;
    // In the order the plans added them (the order of their first run).
    std::vector<SettingRuns> settings;
    std::vector<RunCount> statusCounts;  // every status in the runs table
    // Done runs left out because their generations are not all stored
    // (only a database edited by hand has them), with the reason.
    std::vector<std::string> leftOut;

    std::size_t doneRuns() const;
};

// "zarudiv-run --generations G --mutants M --step P --seed S --save": the
// command that runs the same campaign again, whose protocol equals the
// run's from its second line on.
std::string ReplayCommand(const Setting& setting, std::uint32_t seed);

}  // namespace zarudiv
