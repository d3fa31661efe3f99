#include "cli/runner_outputs.h"

#include "cli/terminal_display.h"

namespace zarudiv {

std::vector<OutputName> RunnerOutputs(const RunnerOptions& options)
{
    // The protocol goes to the name its first line gives.
    std::vector<OutputName> outputs = {
        {"--protocol " + options.protocol, CutFileName(options.protocol)}};
    if (options.logFile)
        outputs.push_back({"--log " + *options.logFile, *options.logFile});
    if (options.lawOut)
        outputs.push_back({"--law-out " + *options.lawOut, *options.lawOut});
    if (options.checkpoint)
        outputs.push_back({"--checkpoint " + *options.checkpoint, *options.checkpoint});
    if (options.plotsDir)
        for (const std::string& picture : TerminalDisplay::picturePaths(*options.plotsDir))
            outputs.push_back({"--plots " + *options.plotsDir + " (" + picture + ")", picture});
    return outputs;
}

}  // namespace zarudiv
