#include "series/plan.h"

namespace zarudiv {

std::uint64_t SeriesPlan::settingCount() const
{
    return static_cast<std::uint64_t>(generations.size()) * mutants.size() * steps.size();
}

Setting SeriesPlan::setting(std::uint64_t index) const
{
    const std::uint64_t p = index % steps.size();
    const std::uint64_t m = index / steps.size() % mutants.size();
    const std::uint64_t g = index / steps.size() / mutants.size();
    return Setting{generations[g], mutants[m], steps[p]};
}

RunKey SeriesPlan::run(std::uint64_t index) const
{
    const std::uint64_t settings = settingCount();
    return RunKey{setting(index % settings), seed(static_cast<std::uint32_t>(index / settings))};
}

std::uint32_t SeriesPlan::seed(std::uint32_t repetition) const
{
    // Unsigned arithmetic wraps modulo 2^32, which is the rule.
    return firstSeed + repetition;
}

std::string ProtocolFileName(const RunKey& key)
{
    // Appended piece by piece: GCC 12 warns (-Wrestrict, wrongly) about
    // "literal" + std::string temporaries.
    std::string name = "G";
    name += std::to_string(key.setting.generations);
    name += "_M";
    name += std::to_string(key.setting.mutants);
    name += "_P";
    name += std::to_string(key.setting.stepPpm);
    name += "_S";
    name += std::to_string(key.seed);
    name += ".doc";
    return name;
}

std::string SettingLabel(const Setting& setting)
{
    return "G=" + std::to_string(setting.generations) + " M=" + std::to_string(setting.mutants) +
           " P=" + std::to_string(setting.stepPpm);
}

}  // namespace zarudiv
