#include "app/displaycheck.h"

#include <xcb/xcb.h>

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zarudiv {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

DisplayEnvironment currentDisplayEnvironment()
{
    DisplayEnvironment environment;
    environment.display = variable("DISPLAY");
    environment.waylandDisplay = variable("WAYLAND_DISPLAY");
    environment.qpaPlatform = variable("QT_QPA_PLATFORM");
    return environment;
}

bool displayAvailable(const DisplayEnvironment& environment)
{
    return !environment.display.empty() || !environment.waylandDisplay.empty() ||
           !environment.qpaPlatform.empty();
}

std::string noDisplayMessage()
{
    return "zarudiv: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
           "The program is a desktop window. To run it without a desktop, start it\n"
           "under a virtual display:\n"
           "    xvfb-run -a build/bin/zarudiv\n"
           "For campaigns without a window use the headless runner build/bin/zarudiv-run.\n";
}

bool xDisplayReachable(const DisplayEnvironment& environment)
{
    // Another platform or a Wayland display is Qt's to handle.
    if (!environment.qpaPlatform.empty() || !environment.waylandDisplay.empty() ||
        environment.display.empty())
        return true;
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(environment.display.c_str(), &screen);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

std::string unreachableDisplayMessage(const std::string& display)
{
    return "zarudiv: cannot connect to the display DISPLAY=" + display + ".\n"
           "Check that its X server is running, or start the window under a virtual\n"
           "display instead:\n"
           "    xvfb-run -a build/bin/zarudiv\n";
}

namespace {

// What Qt said while the platform started: shown with the failure, or passed
// on as usual when the start succeeds.
QStringList startupMessages;

void ExitOnFatal(QtMsgType type, const QMessageLogContext& /*context*/, const QString& message)
{
    if (type != QtFatalMsg) {
        startupMessages << message;
        return;
    }
    // The first thing Qt said names the cause; its fatal text only says that
    // no platform could start.
    const QString cause = startupMessages.isEmpty() ? message : startupMessages.first();
    const std::string text =
        platformFailureMessage(currentDisplayEnvironment(), cause.toLocal8Bit().toStdString());
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

std::string shown(const std::string& value) { return value.empty() ? "unset" : value; }

}  // namespace

void guardWindowStartup() { qInstallMessageHandler(ExitOnFatal); }

void endWindowStartupGuard()
{
    qInstallMessageHandler(nullptr);
    for (const QString& message : std::as_const(startupMessages))
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    startupMessages.clear();
}

std::string platformFailureMessage(const DisplayEnvironment& environment,
                                   const std::string& qtMessage)
{
    // Qt's own text runs over several lines; its first says what failed.
    const std::string firstLine = qtMessage.substr(0, qtMessage.find('\n'));
    return "zarudiv: the window cannot start on this display (QT_QPA_PLATFORM=" +
           shown(environment.qpaPlatform) + ", DISPLAY=" + shown(environment.display) +
           ", WAYLAND_DISPLAY=" + shown(environment.waylandDisplay) + ").\n"
           "Qt says: " + firstLine + "\n"
           "Start it on an X display (DISPLAY=:0), or under a virtual display:\n"
           "    xvfb-run -a build/bin/zarudiv\n"
           "For campaigns without a window use the headless runner build/bin/zarudiv-run.\n";
}

}  // namespace zarudiv
