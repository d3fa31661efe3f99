#pragma once
// Whether the window has somewhere to appear. Without an X or Wayland display
// and without a chosen Qt platform, starting the window toolkit would abort;
// the program says what to do instead.

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

}  // namespace zarudiv
