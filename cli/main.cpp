// zarudiv-run: one campaign without a window.

#include <unistd.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "campaign/campaign.h"
#include "cli/generation_log.h"
#include "cli/runner_options.h"
#include "cli/terminal_display.h"
#include "evolution/random_source.h"
#include "protocol/protocol_file.h"

using namespace zarudiv;

namespace {

// The runner draws off screen; Qt's notes about the missing screen session
// are of no use to someone running a campaign from a script.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-run: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseResult parsed = ParseRunnerOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zarudiv-run: %s\n", parsed.error.c_str());
        return kExitBadOptions;
    }
    const RunnerOptions& options = parsed.options;
    if (options.help) {
        std::fputs(RunnerUsage().c_str(), stdout);
        return kExitDone;
    }

    // Text on the image areas needs a GUI application, but never a screen.
    std::unique_ptr<QGuiApplication> app;
    if (options.plotsDir) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char name[] = "zarudiv-run";
        static char* qtArgv[] = {name, nullptr};
        qInstallMessageHandler(QuietQtMessages);
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
    }

    TerminalDisplay display(isatty(STDERR_FILENO) != 0, stderr);
    if (options.plotsDir) {
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

    Generator gen;
    EngineOptions engine;
    engine.threads = options.threads;
    CampaignResult result;
    try {
        result = RunEvolutionCommand(options.protocol, options.settings(), seed, gen, display,
                                     engine);
    } catch (const ProtocolIoError& error) {
        display.finish();
        std::fprintf(stderr, "zarudiv-run: %s: %s\n", error.file().c_str(), error.what());
        return kExitFailed;
    } catch (const std::exception& error) {
        display.finish();
        std::fprintf(stderr, "zarudiv-run: %s\n", error.what());
        return kExitFailed;
    }
    display.finish();
    if (const std::string problem = log.close(); !problem.empty()) {
        std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
        return kExitFailed;
    }

    if (options.plotsDir) {
        const std::string problem = display.savePngs(*options.plotsDir);
        if (!problem.empty()) {
            std::fprintf(stderr, "zarudiv-run: %s\n", problem.c_str());
            return kExitFailed;
        }
    }

    std::printf("seed %u: %d generations x %d mutants, best Q %.10f, protocol %s\n", seed,
                options.generations, options.mutants, result.bestQ, options.protocol.c_str());
    return kExitDone;
}
