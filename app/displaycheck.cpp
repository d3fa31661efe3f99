#include "displaycheck.h"

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

}  // namespace zarudiv
