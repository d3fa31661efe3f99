// zarudiv-series: an experiment series of campaigns, stored in SQLite.

#include <QGuiApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/series_command.h"
#include "cli/series_options.h"

using namespace zarudiv;

namespace {

// The series draws off screen; Qt's notes about the missing screen session
// are of no use to someone running a series from a script.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-series: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const SeriesParse parsed = ParseSeriesOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zarudiv-series: %s\n", parsed.error.c_str());
        return kSeriesBadInput;
    }
    if (parsed.options.help) {
        std::fputs(SeriesUsage().c_str(), stdout);
        return kSeriesDone;
    }

    // Text in the pictures needs a GUI application, but never a screen.
    std::unique_ptr<QGuiApplication> app;
    if (parsed.options.plotsDir) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char name[] = "zarudiv-series";
        static char* qtArgv[] = {name, nullptr};
        qInstallMessageHandler(QuietQtMessages);
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        // Qt takes the locale from the environment; the table's numbers keep
        // their decimal points.
        std::setlocale(LC_NUMERIC, "C");
    }
    return RunSeriesCommand(parsed.options, ShellCommandLine(argc, argv));
}
