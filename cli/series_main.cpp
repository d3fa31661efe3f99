// zarudiv-series: an experiment series of campaigns, stored in SQLite.

#include <QGuiApplication>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/export_law_command.h"
#include "cli/report_command.h"
#include "cli/series_command.h"
#include "cli/series_options.h"
#include "edge/signals.h"
#include "cli/serve_command.h"
#include "series/mpi_session.h"

using namespace zarudiv;

namespace {

// The series draws off screen; Qt's notes about the missing screen session
// are of no use to someone running a series from a script.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-series: %s\n", message.toLocal8Bit().constData());
}

// Whatever went to stdout or stderr and did not arrive turns success into
// failure; a failure keeps its own code, which says more.
int Finish(int code)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "zarudiv-series: the standard output cannot be written (%s)\n",
                     std::strerror(errno));
        if (code == kSeriesDone)
            code = kSeriesFailed;
    }
    if ((std::fflush(stderr) != 0 || std::ferror(stderr)) && code == kSeriesDone)
        code = kSeriesFailed;
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    // A closed pipe on stdout (the table into `head`) is a failed output like
    // a full disk: said, exit 1, and the CSV and the pictures still written.
    IgnoreBrokenPipe();

    // Subcommands read a database; they never start MPI.
    if (argc > 1 && std::string(argv[1]) == "export-law")
        return Finish(RunExportLawCommand(std::vector<std::string>(argv + 2, argv + argc)));

    // "zarudiv-series report" analyses a database: no campaign, no MPI.
    if (argc > 1 && std::strcmp(argv[1], "report") == 0)
        return Finish(RunReportMain(std::vector<std::string>(argv + 2, argv + argc)));

    if (argc > 1 && std::string(argv[1]) == "serve") {
        const ServeParse serve = ParseServeOptions(std::vector<std::string>(argv + 2, argv + argc));
        if (!serve.error.empty()) {
            std::fprintf(stderr, "zarudiv-series serve: %s\n", serve.error.c_str());
            return Finish(kServeBadInput);
        }
        if (serve.options.help) {
            std::fputs(ServeUsage().c_str(), stdout);
            return Finish(kServeEnded);
        }
        return Finish(RunServeCommand(serve.options));
    }

    // Started by mpirun or srun, the process is one of a job's; alone (no
    // launcher, or a job of one) it runs the series and never touches MPI.
    std::unique_ptr<MpiSession> mpi;
    if (MpiSession::LaunchedSize() > 1) {
        try {
            mpi = std::make_unique<MpiSession>(argc, argv);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "zarudiv-series: %s\n", error.what());
            return kSeriesFailed;
        }
    }
    const int rank = mpi ? mpi->rank() : 0;
    const int processes = mpi ? mpi->size() : 1;

    // Every process parses the same command line; rank 0 speaks for all.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const SeriesParse parsed = ParseSeriesOptions(args);
    if (!parsed.error.empty()) {
        if (rank == 0)
            std::fprintf(stderr, "zarudiv-series: %s\n", parsed.error.c_str());
        return kSeriesBadInput;
    }
    if (rank == 0)
        for (const std::string& warning : parsed.warnings)
            std::fprintf(stderr, "zarudiv-series: warning: %s\n", warning.c_str());
    if (parsed.options.help) {
        if (rank == 0)
            std::fputs(SeriesUsage().c_str(), stdout);
        return Finish(kSeriesDone);
    }
    if (rank != 0) {
        try {
            return RunSeriesWorkerCommand(parsed.options, rank);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "zarudiv-series (rank %d): %s\n", rank, error.what());
            MpiSession::Abort(kSeriesFailed);
        }
    }

    // Text in the pictures (and in a replay's, with --serve) needs a GUI
    // application, but never a screen.
    std::unique_ptr<QGuiApplication> app;
    if (parsed.options.plotsDir || parsed.options.servePort) {
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
    try {
        return Finish(RunSeriesCommand(parsed.options, ShellCommandLine(argc, argv), processes));
    } catch (const std::bad_alloc&) {
        // Each run is stored in one transaction: the stored ones stay whole.
        std::fputs("zarudiv-series: out of memory; the runs stored so far are whole; give fewer "
                   "--threads (or more memory) and run the same command again to continue\n",
                   stderr);
        if (mpi)
            MpiSession::Abort(kSeriesFailed);
        return kSeriesFailed;
    } catch (const std::exception& error) {
        // Only a fault between the processes gets here (a message that does
        // not decode): no process can go on.
        std::fprintf(stderr, "zarudiv-series: %s\n", error.what());
        if (mpi)
            MpiSession::Abort(kSeriesFailed);
        return kSeriesFailed;
    }
}
