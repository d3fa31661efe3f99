#include "app/displaycheck.h"

#include <xcb/xcb.h>

#include <cstdlib>

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

}  // namespace zarudiv
