#include "displaycheck.h"

#include <cstdlib>
#include <string_view>

namespace zarudiv {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

DisplayEnvironment currentDisplayEnvironment(int argc, char** argv)
{
    DisplayEnvironment environment;
    environment.display = variable("DISPLAY");
    environment.waylandDisplay = variable("WAYLAND_DISPLAY");
    environment.qpaPlatform = variable("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-platform" || argument == "--platform")
            environment.platformArgument = true;
    }
    return environment;
}

bool displayAvailable(const DisplayEnvironment& environment)
{
    return !environment.display.empty() || !environment.waylandDisplay.empty() ||
           !environment.qpaPlatform.empty() || environment.platformArgument;
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
