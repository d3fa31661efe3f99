#pragma once
// zarudiv-series' command line: the plan (lists of settings, repetitions and
// the first seed) and where its results go.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "series/plan.h"

namespace zarudiv {

struct SeriesOptions {
    std::vector<int> generations;
    std::vector<int> mutants;
    std::vector<int> steps;
    std::uint32_t repeat = 0;
    std::optional<std::uint32_t> seed;
    std::string db = "series.sqlite";
    unsigned threads = 0;  // 0: all cores
    std::optional<std::string> protocolsDir;
    std::optional<std::string> plotsDir;
    std::optional<std::string> csvFile;
    std::optional<int> servePort;  // the dashboard beside the series
    // Progress on stderr: auto, a redrawn line when stderr is a terminal;
    // always, that line on a terminal and elsewhere a line every
    // progressEvery seconds; never.
    enum class Progress { Auto, Always, Never } progress = Progress::Auto;
    unsigned progressEvery = 30;
    // Under MPI, whether rank 0 runs campaigns besides coordinating: yes, no,
    // or auto (no above kRank0ComputesUpTo processes).
    enum class Rank0Computes { Yes, No, Auto } rank0Computes = Rank0Computes::Auto;
    bool help = false;

    // The plan with the given first seed.
    SeriesPlan plan(std::uint32_t firstSeed) const;
    // Whether rank 0 of a job of this many processes runs campaigns.
    bool rank0RunsCampaigns(int processes) const;
};

// Above this many processes rank 0 only coordinates, unless told otherwise:
// storing their runs and answering their messages is then a core's work.
inline constexpr int kRank0ComputesUpTo = 16;

enum SeriesExit {
    kSeriesDone = 0,
    kSeriesFailed = 1,      // a run failed, or a result could not be written
    kSeriesBadInput = 2,    // bad options, or a database that is not a series'
    kSeriesDatabaseBusy = 3,  // another series is using the database
    kSeriesPortUnusable = 4,  // the --serve port is in use
    // Stopped by a signal: 128 + the signal's number, as a shell reports it.
};

struct SeriesParse {
    SeriesOptions options;
    std::string error;  // empty when the command line is good
    std::vector<std::string> warnings;  // options given more than once
};

SeriesParse ParseSeriesOptions(const std::vector<std::string>& args);

std::string SeriesUsage();

// The cores this process may run on.
unsigned AvailableCores();

}  // namespace zarudiv
