#include "dashboard/run_replay.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "campaign/campaign.h"
#include "cli/terminal_display.h"
#include "series/run_campaign.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

// The pictures are written as the runner writes them, into a directory of
// the replay's own, and read back.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        std::string pattern = ((error ? std::filesystem::path("/tmp") : base) /
                               "zarudiv-replay-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string ReadWhole(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string ReplayCommandLine(const RunKey& key)
{
    return "zarudiv-run " + RunnerArguments(CampaignOf(key)) + " --plots DIR";
}

ReplayResult ReplayRun(const RunKey& key, const StopRequest& stop)
{
    ReplayResult result;
    const ScratchDirectory scratch;
    if (scratch.path().empty()) {
        result.error = "no temporary directory for the pictures can be made";
        return result;
    }
    CampaignOptions options;
    options.engine.threads = 1;
    options.stop = &stop;

    // As the runner does with --plots: the image areas attached, "GRA ?"
    // before the campaign.
    TerminalDisplay display(false, stderr);
    display.attachImageAreas();
    NewQualityDiagram(display);
    ProtocolFile protocol;
    try {
        OpenProtocolInMemory(protocol, ProtocolFileName(key));
        const CampaignResult campaign = RunCampaign(CampaignOf(key), {display, protocol}, options);
        result.stopped = campaign.stopped;
        result.bestQ = campaign.bestQ;
    } catch (const std::exception& error) {
        result.error = error.what();
        return result;
    }
    if (result.stopped)
        return result;
    if (const std::string problem = display.savePngs(scratch.path()); !problem.empty()) {
        result.error = problem;
        return result;
    }
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
        if (entry.path().extension() == ".png")
            files.push_back(entry.path());
    // Image1, Image2, ..., Image10: by the number in the name.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        const std::string x = a.stem().string(), y = b.stem().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    for (const auto& file : files)
        result.pictures.emplace_back(file.stem().string(), ReadWhole(file));
    result.protocol = protocol.contents();
    return result;
}

}  // namespace zarudiv
