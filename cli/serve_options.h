#pragma once
// zarudiv-series serve's command line: the database to show and where to
// listen.

#include <string>
#include <vector>

namespace zarudiv {

struct ServeOptions {
    std::string db = "series.sqlite";
    int port = 8080;  // 0: any free port (it is printed)
    std::string bind = "127.0.0.1";
    bool help = false;
};

enum ServeExit {
    kServeEnded = 0,        // ended by Ctrl-C or SIGTERM
    kServeFailed = 1,       // the server could not go on
    kServeBadInput = 2,     // bad options, no such file, or not a series database
    kServePortUnusable = 4, // the port is in use or the address cannot be bound
};

struct ServeParse {
    ServeOptions options;
    std::string error;  // empty when the command line is good
};

// The arguments after "serve".
ServeParse ParseServeOptions(const std::vector<std::string>& args);

std::string ServeUsage();

// The --port option's range, for zarudiv-series --serve too.
inline constexpr int kMaxPort = 65535;

}  // namespace zarudiv
