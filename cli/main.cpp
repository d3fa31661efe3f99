// zarudiv-run: one campaign without a window.

#include <unistd.h>

#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "campaign/campaign.h"
#include "campaign/checkpoint_file.h"
#include "cli/checkpoint_writer.h"
#include "cli/generation_log.h"
#include "cli/law_commands.h"
#include "cli/runner_options.h"
#include "cli/runner_outputs.h"
#include "cli/terminal_display.h"
#include "edge/signals.h"
#include "evolution/random_source.h"
#include "edge/whole_file.h"
#include "protocol/protocol_file.h"

using namespace zarudiv;

namespace {

// The runner draws off screen; Qt's notes about the missing screen session
// are of no use to someone running a campaign from a script. A fatal one
// would abort the program: it ends it with exit 1 instead.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-run: %s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg) {
        std::fflush(stderr);
        std::_Exit(kExitFailed);
    }
}

// Text on the image areas needs a GUI application, but never a screen: the
// offscreen platform always, whatever platform the environment names.
std::unique_ptr<QGuiApplication> MakePictureApplication()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qtArgc = 1;
    static char name[] = "zarudiv-run";
    static char* qtArgv[] = {name, nullptr};
    qInstallMessageHandler(QuietQtMessages);
    return std::make_unique<QGuiApplication>(qtArgc, qtArgv);
}

// SIGINT and SIGTERM ask the campaign to stop at the end of the generation
// that runs; a second signal ends the program at once.
StopRequest stopRequest;

void RequestStop(int /*signal*/) { stopRequest.request(); }

// A run whose summary or messages could not be written has not done what it
// was asked to: exit 1 (stdout on a full device, say).
int Finish(int code)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "zarudiv-run: the standard output cannot be written (%s)\n",
                     std::strerror(errno));
        code = kExitFailed;
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr))
        code = kExitFailed;
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    // A closed pipe on stdout is a failed output like a full disk: said, exit 1.
    IgnoreBrokenPipe();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseResult parsed = ParseRunnerOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zarudiv-run: %s\n", parsed.error.c_str());
        return Finish(kExitBadOptions);
    }
    for (const std::string& warning : parsed.warnings)
        std::fprintf(stderr, "zarudiv-run: warning: %s\n", warning.c_str());
    const RunnerOptions& options = parsed.options;
    if (options.help) {
        std::fputs(RunnerUsage().c_str(), stdout);
        return Finish(kExitDone);
    }
    // Before anything is written: one output over another destroys both.
    if (const std::string clash = SameFileConflict(RunnerOutputs(options)); !clash.empty()) {
        std::fprintf(stderr, "zarudiv-run: %s\n", clash.c_str());
        return Finish(kExitBadOptions);
    }

    // The law files are read before anything is written: a law that cannot
    // be used leaves no picture, protocol or log behind.
    LawRecord evaluated;
    std::optional<StartLaw> startLaw;
    std::optional<CampaignState> resumed;
    try {
        if (options.continueFrom) {
            resumed = ReadCheckpointFile(*options.continueFrom);
            const int done = resumed->generationsDone;
            if (options.generationsGiven && options.generations < done) {
                std::fprintf(stderr,
                             "zarudiv-run: --generations %d is below the generation the checkpoint "
                             "%s reached (%d); give %d or more\n",
                             options.generations, options.continueFrom->c_str(), done, done);
                return Finish(kExitBadOptions);
            }
        }
        if (options.evaluate)
            evaluated = ReadLawFile(*options.evaluate);
        if (options.startLaw) {
            const LawRecord from = ReadLawFile(*options.startLaw);
            startLaw = StartLaw{from.law, !options.stepGiven,
                                StartLawOrigin(from, !options.stepGiven, *options.startLaw)};
        }
    } catch (const LawFileError& error) {
        std::fprintf(stderr, "zarudiv-run: %s%s\n",
                     options.startLaw ? "--start-law " : options.continueFrom ? "--continue " : "",
                     error.what());
        return Finish(kExitBadOptions);
    }

    std::unique_ptr<QGuiApplication> app;
    TerminalDisplay display(isatty(STDERR_FILENO) != 0, stderr);
    if (options.plotsDir) {
        if (const std::string problem = TerminalDisplay::preparePngDirectory(*options.plotsDir);
            !problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
            return Finish(kExitFailed);
        }
        app = MakePictureApplication();
        display.attachImageAreas();
        // "GRA ?" before the campaign; a law evaluated has no quality curve.
        if (!options.evaluate)
            NewQualityDiagram(display);
    }

    if (options.evaluate) {
        const int code = RunEvaluateCommand(options, evaluated, display);
        if (code == kExitDone && options.plotsDir)
            if (const std::string problem = display.savePngs(*options.plotsDir); !problem.empty()) {
                std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
                return Finish(kExitFailed);
            }
        return Finish(code);
    }

    for (const auto& [option, file] : {std::pair{"--law-out", options.lawOut},
                                       std::pair{"--checkpoint", options.checkpoint}})
        if (const FileError problem = file ? CheckWholeFileTarget(*file) : FileError{}) {
            std::fprintf(stderr, "zarudiv-run: %s %s: %s\n", option, file->c_str(),
                         problem.message().c_str());
            return Finish(kExitFailed);
        }

    // The log is opened first: a campaign whose log cannot be written is not
    // worth running.
    GenerationLog log;
    if (options.logFile) {
        if (const std::string problem = log.open(*options.logFile); !problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
            return kExitFailed;
        }
        display.logGenerations(&log);
    }

    Campaign campaign;
    if (resumed) {
        campaign = resumed->campaign;
        if (options.generationsGiven)
            campaign.generations = options.generations;
    } else if (options.seed) {
        campaign = options.campaign(*options.seed);
    } else {
        campaign = options.campaign(ClockSeed());
        std::fprintf(stderr, "zarudiv-run: seed %u (repeat with --seed %u)\n", campaign.seed,
                     campaign.seed);
    }
    std::optional<CheckpointWriter> checkpoints;
    if (options.checkpoint)
        checkpoints.emplace(*options.checkpoint, std::chrono::seconds(options.checkpointEvery));

    InstallStopSignals({RequestStop});
    CampaignOptions campaignOptions;
    campaignOptions.engine.threads = options.threads;
    campaignOptions.stop = &stopRequest;
    if (startLaw)
        campaignOptions.startLaw = &*startLaw;
    if (resumed)
        campaignOptions.resume = &*resumed;
    if (checkpoints)
        campaignOptions.checkpoints = &*checkpoints;
    CampaignResult result;
    try {
        ProtocolFile protocol;
        OpenProtocol(protocol, options.protocol);
        result = RunCampaign(campaign, CampaignSinks{display, protocol}, campaignOptions);
    } catch (const ProtocolIoError& error) {
        display.finish();
        std::fprintf(stderr, "zarudiv-run: %s: %s\n", error.file().c_str(), error.what());
        return Finish(kExitFailed);
    } catch (const std::exception& error) {
        display.finish();
        std::fprintf(stderr, "zarudiv-run: %s\n", error.what());
        return Finish(kExitFailed);
    }
    display.finish();
    if (const std::string problem = log.close(); !problem.empty()) {
        std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
        return kExitFailed;
    }

    // At a stop and at the end: the state of the last generation done.
    if (checkpoints)
        if (const std::string problem = checkpoints->finish(result.state); !problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: --checkpoint %s: cannot write the file: %s\n",
                         options.checkpoint->c_str(), problem.c_str());
            return Finish(kExitFailed);
        }

    if (options.lawOut) {
        if (const std::string problem = WriteLawFile(*options.lawOut, LawRecordOf(result));
            !problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: --law-out %s: cannot write the file: %s\n",
                         options.lawOut->c_str(), problem.c_str());
            return Finish(kExitFailed);
        }
    }

    if (result.stopped) {
        std::fprintf(stderr,
                     "zarudiv-run: stopped after generation %d of %d; %s keeps the rows so far "
                     "(no report)\n",
                     result.generationsDone, campaign.generations, options.protocol.c_str());
        if (checkpoints)
            std::fprintf(stderr, "zarudiv-run: continue with zarudiv-run --continue %s\n",
                         options.checkpoint->c_str());
        return Finish(128 + StopSignal());
    }

    if (options.plotsDir) {
        const std::string problem = display.savePngs(*options.plotsDir);
        if (!problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
            return Finish(kExitFailed);
        }
    }

    std::printf("seed %u: %d generations x %d mutants, best Q %.10f, protocol %s\n", campaign.seed,
                campaign.generations, campaign.mutants, result.bestQ, options.protocol.c_str());
    return Finish(kExitDone);
}
