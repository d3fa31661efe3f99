#pragma once
// Whether the window has somewhere to appear. Without a display it can reach,
// starting the window toolkit would abort the program; the program says what
// to do instead and exits with 1.

#include <string>

namespace zarudiv {

struct DisplayEnvironment {
    std::string display;         // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string qpaPlatform;     // QT_QPA_PLATFORM
};

DisplayEnvironment currentDisplayEnvironment();
bool displayAvailable(const DisplayEnvironment& environment);
std::string noDisplayMessage();

// With only an X display named, whether its server answers: Qt aborts when it
// cannot connect, so the program checks first.
bool xDisplayReachable(const DisplayEnvironment& environment);
std::string unreachableDisplayMessage(const std::string& display);

// Whatever else keeps Qt's platform from starting (a Wayland session Qt has
// no plugin for, an explicit QT_QPA_PLATFORM that cannot open) ends in a
// fatal Qt message; from guardWindowStartup() until endWindowStartupGuard()
// such a message ends the program with a clear message and exit 1 instead of
// an abort.
void guardWindowStartup();
void endWindowStartupGuard();
std::string platformFailureMessage(const DisplayEnvironment& environment,
                                   const std::string& qtMessage);

}  // namespace zarudiv
