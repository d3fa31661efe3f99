#include "analysis/ioh_export.h"

#include "edge/exact_real.h"

namespace zarudiv {

namespace {

// The law's 20 activator and 20 inhibitor coefficients.
constexpr int kDimension = 40;
constexpr const char* kDataFile = "data_f1_diffusion/IOHprofiler_f1_DIM40.dat";

std::string DirectoryName(const Setting& s)
{
    // As a protocol's name, without the seed.
    const std::string name = ProtocolFileName(RunKey{s, 0});
    return name.substr(0, name.rfind("_S"));
}

}  // namespace

std::vector<NamedFile> IohFiles(const SettingRuns& s)
{
    std::vector<NamedFile> files;
    if (!s.runs.empty()) {
        const std::string dir = DirectoryName(s.setting);
        // IOHanalyzer splits this line at every comma outside a value that
        // begins with a quote: no value here holds a comma.
        std::string info = "suite = 'zarudiv', funcId = 1, funcName = 'diffusion', DIM = " +
                           std::to_string(kDimension) + ", maximization = 'F', algId = '" +
                           SettingLabel(s.setting) + "', algInfo = 'zarudiv-series: " +
                           std::to_string(s.runs.size()) + " runs of seeds " +
                           std::to_string(s.runs.front().seed) + ".." +
                           std::to_string(s.runs.back().seed) + "'\n%\n" + kDataFile;
        std::string dat;
        for (const DoneRun& run : s.runs) {
            dat += "\"function evaluation\" \"best-so-far f(x)\"\n";
            for (std::size_t g = 0; g < run.curve.size(); ++g) {
                const bool last = g + 1 == run.curve.size();
                if (g == 0 || run.curve[g] < run.curve[g - 1] || last)
                    dat += std::to_string(static_cast<std::int64_t>(g + 1) * s.setting.mutants) +
                           " " + ExactReal(run.curve[g]) + "\n";
            }
            info += ", 1:" + std::to_string(s.evaluationsPerRun()) + "|" +
                    ExactReal(run.curve.back());
        }
        info += "\n";
        files.push_back({dir + "/IOHprofiler_f1_diffusion.info", std::move(info)});
        files.push_back({dir + "/" + kDataFile, std::move(dat)});
    }
    return files;
}

}  // namespace zarudiv
