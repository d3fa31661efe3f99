#include "cli/serve_command.h"

#include <pthread.h>
#include <signal.h>

#include <QGuiApplication>
#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "dashboard/dashboard_server.h"
#include "plots/canvas_font.h"

namespace zarudiv {

namespace {

void Say(const std::string& text)
{
    std::fprintf(stderr, "zarudiv-series serve: %s\n", text.c_str());
    std::fflush(stderr);
}

void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "zarudiv-series: %s\n", message.toLocal8Bit().constData());
}

// The signals that end the server: SIGINT and SIGTERM, unless the parent
// ignores one (a shell's background job ignores Ctrl-C meant for another).
sigset_t StopSignalSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

std::unique_ptr<QGuiApplication> PreparePictureApplication(const char* programName)
{
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static std::string name = programName;
        static char* qtArgv[] = {name.data(), nullptr};
        qInstallMessageHandler(QuietQtMessages);
        app = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
        // Qt takes the locale from the environment; numbers keep their points.
        std::setlocale(LC_NUMERIC, "C");
    }
    // The canvas font is loaded here, on the main thread, before any replay
    // draws text on another.
    CanvasFont();
    CanvasTextCell();
    return app;
}

int RunServeCommand(const ServeOptions& options)
{
    // Blocked before any thread starts, so that every thread inherits the
    // mask and one thread alone takes the stop signals.
    const sigset_t stopSignals = StopSignalSet();
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::unique_ptr<QGuiApplication> app = PreparePictureApplication("zarudiv-series");
    std::unique_ptr<DashboardServer> server;
    try {
        DashboardOptions dashboard;
        dashboard.db = options.db;
        dashboard.bind = options.bind;
        dashboard.port = options.port;
        server = std::make_unique<DashboardServer>(dashboard);
    } catch (const SeriesReadError& error) {
        Say("--db " + options.db + ": " + error.what());
        return kServeBadInput;
    } catch (const std::exception& error) {
        Say("--db " + options.db + ": " + error.what());
        return kServeBadInput;
    }
    if (const std::string problem = server->bind(); !problem.empty()) {
        Say(problem);
        return kServePortUnusable;
    }
    Say(server->address() + "/ shows " + options.db + " (read-only); Ctrl-C ends");

    std::atomic<bool> served{false};
    int received = 0;
    std::thread waiter([&] {
        const timespec tick{0, 200'000'000};
        while (!served) {
            const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
            if (signal > 0) {
                received = signal;
                server->stop();
                return;
            }
        }
    });
    server->run();
    served = true;
    waiter.join();
    if (received == 0) {
        Say("the server stopped listening");
        return kServeFailed;
    }
    Say(std::string("ended by ") + (received == SIGINT ? "SIGINT" : "SIGTERM"));
    return kServeEnded;
}

std::unique_ptr<DashboardServer> StartSeriesDashboard(const std::string& db, int port,
                                                      std::string& problem, int& exitCode)
{
    // The series made the picture application (it needs one for --serve).
    PreparePictureApplication("zarudiv-series");
    std::unique_ptr<DashboardServer> server;
    try {
        DashboardOptions dashboard;
        dashboard.db = db;
        dashboard.port = port;
        server = std::make_unique<DashboardServer>(dashboard);
    } catch (const std::exception& error) {
        problem = "--serve: cannot read the database: " + std::string(error.what());
        exitCode = kServeFailed;
        return nullptr;
    }
    if (const std::string bindProblem = server->bind(); !bindProblem.empty()) {
        problem = "--serve: " + bindProblem;
        exitCode = kServePortUnusable;
        return nullptr;
    }
    server->start();
    problem = server->address() + "/ shows the series while it runs";
    return server;
}

}  // namespace zarudiv
