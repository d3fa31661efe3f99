#pragma once
// zarudiv-series serve: the dashboard until Ctrl-C; and the dashboard beside
// a series (--serve PORT), on threads of the series' process.

#include <memory>
#include <string>

#include "cli/serve_options.h"

namespace zarudiv {

class DashboardServer;
}  // namespace zarudiv

class QGuiApplication;

namespace zarudiv {

// Returns the exit code (ServeExit).
int RunServeCommand(const ServeOptions& options);

// Makes the off-screen picture application the replays draw with, when
// there is none yet (then the caller owns it), and loads the pictures' font;
// on the main thread.
std::unique_ptr<QGuiApplication> PreparePictureApplication(const char* programName);

// The dashboard over a series' own database, serving until it is destroyed;
// nullptr and a message in problem when it cannot start. exitCode is the
// ServeExit the series should end with then.
std::unique_ptr<DashboardServer> StartSeriesDashboard(const std::string& db, int port,
                                                      std::string& problem, int& exitCode);

}  // namespace zarudiv
