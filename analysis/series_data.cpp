#include "analysis/series_data.h"

namespace zarudiv {

std::size_t SeriesData::doneRuns() const
{
    std::size_t done = 0;
    for (const SettingRuns& s : settings)
        done += s.runs.size();
    return done;
}

std::string ReplayCommand(const Setting& setting, std::uint32_t seed)
{
    std::string command = "zarudiv-run --generations ";
    command += std::to_string(setting.generations);
    command += " --mutants ";
    command += std::to_string(setting.mutants);
    command += " --step ";
    command += std::to_string(setting.stepPpm);
    command += " --seed ";
    command += std::to_string(seed);
    command += " --save";
    return command;
}

}  // namespace zarudiv
