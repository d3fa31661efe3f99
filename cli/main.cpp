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
#include "cli/generation_log.h"
#include "cli/runner_options.h"
#include "cli/runner_outputs.h"
#include "cli/terminal_display.h"
#include "edge/signals.h"
#include "evolution/random_source.h"
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
        // "GRA ?" before the campaign.
        NewQualityDiagram(display);
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

    std::uint32_t seed = 0;
    if (options.seed) {
        seed = *options.seed;
    } else {
        seed = ClockSeed();
        std::fprintf(stderr, "zarudiv-run: seed %u (repeat with --seed %u)\n", seed, seed);
    }

    InstallStopSignals({RequestStop});
    Generator gen;
    EngineOptions engine;
    engine.threads = options.threads;
    CampaignResult result;
    try {
        result = RunEvolutionCommand(options.protocol, options.settings(), seed, gen, display,
                                     engine, &stopRequest);
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

    if (result.stopped) {
        std::fprintf(stderr,
                     "zarudiv-run: stopped after generation %d of %d; %s keeps the rows so far "
                     "(no report)\n",
                     result.generationsDone, options.generations, options.protocol.c_str());
        return Finish(128 + StopSignal());
    }

    if (options.plotsDir) {
        const std::string problem = display.savePngs(*options.plotsDir);
        if (!problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
            return Finish(kExitFailed);
        }
    }

    std::printf("seed %u: %d generations x %d mutants, best Q %.10f, protocol %s\n", seed,
                options.generations, options.mutants, result.bestQ, options.protocol.c_str());
    return Finish(kExitDone);
}
