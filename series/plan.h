#pragma once
// An experiment series' plan: the settings are the cross product of the
// generation, mutant and step lists; every setting runs with the seeds S,
// S+1, ..., S+R-1 (mod 2^32). All settings share the seeds, so that they are
// compared on common random numbers.

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace zarudiv {

struct Setting {
    int generations = 0;
    int mutants = 0;
    int stepPpm = 0;

    friend auto operator<=>(const Setting&, const Setting&) = default;
};

struct RunKey {
    Setting setting;
    std::uint32_t seed = 0;

    friend auto operator<=>(const RunKey&, const RunKey&) = default;
};

// More runs than this would keep two cores busy for decades; a plan that
// large is a typing error.
inline constexpr std::uint64_t kMaxPlanRuns = 10'000'000;

struct SeriesPlan {
    std::vector<int> generations;
    std::vector<int> mutants;
    std::vector<int> steps;  // ppm
    std::uint32_t firstSeed = 0;
    std::uint32_t repeat = 0;

    std::uint64_t settingCount() const;
    // Generations vary slowest and steps fastest, each list in the order given.
    Setting setting(std::uint64_t index) const;
    std::uint64_t runCount() const { return settingCount() * repeat; }
    // The plan's order: repetition after repetition, each through all
    // settings, so that a series stopped halfway has about as many runs of
    // every setting.
    RunKey run(std::uint64_t index) const;
    // The seed of repetition r (0-based), wrapping round after 2^32 - 1.
    std::uint32_t seed(std::uint32_t repetition) const;
    std::uint32_t lastSeed() const { return seed(repeat - 1); }
};

// "G100_M20_P500_S17.doc": the name of a run's protocol.
std::string ProtocolFileName(const RunKey& key);
// "G=100 M=20 P=500" for tables, legends and messages.
std::string SettingLabel(const Setting& setting);

}  // namespace zarudiv
