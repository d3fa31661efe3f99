#include "cli/serve_options.h"

#include <CLI/CLI.hpp>

#include "cli/option_declarations.h"
#include "series/series_store.h"

namespace zarudiv {

namespace {

const WholeNumber kPort{"--port", "N", 0, kMaxPort, "the port to listen on",
                        "(default 8080; 0: any free port, which is printed)"};

const char* const kDescription =
    "Serves a web page over a series database, read-only: the plans and their\n"
    "progress, the runs in flight and the failed ones, the comparison of the\n"
    "settings, and every run with its curve, its law, its pictures (made by\n"
    "replaying the run, exactly as zarudiv-run --plots makes them) and its\n"
    "protocol. The page updates itself while a series writes the database.\n";

const char* const kFooter =
    "The page is at http://127.0.0.1:8080/ unless --port or --bind say\n"
    "otherwise. On 127.0.0.1 only this machine reaches it; any other --bind\n"
    "shows the database to everyone who reaches that address (there is no\n"
    "password). The server never writes the database; a replay writes its\n"
    "pictures into a temporary directory it removes.\n"
    "\n"
    "Exit codes:\n"
    "  0  ended by Ctrl-C (SIGINT) or SIGTERM\n"
    "  1  the server could not go on (the message says why)\n"
    "  2  bad options, no file at --db, or a file that is not a series database\n"
    "  4  the port is in use, or --bind is not an address of this machine\n";

struct ServeCommandLine {
    CLI::App app{kDescription, "zarudiv-series serve"};
    ServeOptions options;

    ServeCommandLine()
    {
        ServeOptions& o = options;
        app.set_help_flag();
        app.add_flag("-h,--help", o.help, "show this text");
        AddText(app, "--db", "FILE", "the series database to show (default series.sqlite)",
                "a file name", [&o](const std::string& name) {
                    if (SqliteTakesAsSpecial(name))
                        throw CLI::ValidationError("--db " + name +
                                                   " is a name SQLite keeps for something other "
                                                   "than a file; give ./" + name +
                                                   " for a file of that name");
                    o.db = name;
                });
        AddWholeNumber(app, kPort, [&o](std::uint64_t v) { o.port = static_cast<int>(v); });
        AddText(app, "--bind", "ADDRESS",
                "the address to listen on (default 127.0.0.1: this machine only; 0.0.0.0: "
                "every network this machine is on)",
                "an address", [&o](const std::string& address) { o.bind = address; });
        app.allow_extras();
        app.footer(kFooter);
        app.get_formatter()->column_width(26);
    }
};

}  // namespace

ServeParse ParseServeOptions(const std::vector<std::string>& args)
{
    ServeCommandLine line;
    ServeParse result;
    result.error = ParseArguments(line.app, args);
    result.options = line.options;
    return result;
}

std::string ServeUsage()
{
    ServeCommandLine line;
    return line.app.help();
}

}  // namespace zarudiv
