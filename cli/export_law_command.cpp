#include "cli/export_law_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <limits>
#include <optional>

#include "cli/option_declarations.h"
#include "cli/series_options.h"
#include "edge/whole_file.h"
#include "series/stored_law.h"

namespace zarudiv {

namespace {

const WholeNumber kRun{"--run", "ID", 1, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()),
                       "the run (its id in the runs table)", ""};

struct ExportLawLine {
    CLI::App app{"Writes a run's best law, exactly as the run found it, as a law file (see the\n"
                 "README, \"The evolved law\"): to FILE, or to the standard output.\n",
                 "zarudiv-series export-law"};
    std::string db = "series.sqlite";
    std::int64_t run = 0;
    std::optional<std::string> out;
    bool help = false;
    CLI::Option* runOption = nullptr;

    ExportLawLine()
    {
        app.set_help_flag();
        app.add_flag("-h,--help", help, "show this text");
        AddText(app, "--db", "FILE", "the series database (default series.sqlite); it is only read",
                "a file name", [this](const std::string& name) { db = name; });
        runOption = AddWholeNumber(app, kRun, [this](std::uint64_t v) { run = static_cast<std::int64_t>(v); });
        AddText(app, "--out", "FILE", "write the law file to FILE (written whole) instead of the standard output",
                "a file name", [this](const std::string& name) { out = name; }, TextCheck::FileName);
        app.footer("Exit codes:\n"
                   "  0  the law is written\n"
                   "  1  FILE or the standard output cannot be written\n"
                   "  2  bad options, a file that is not a series database, or a run that has no\n"
                   "     best law (no such run, not done, or stored by a version without laws)\n");
        app.get_formatter()->column_width(20);
    }
};

void Say(const std::string& text) { std::fprintf(stderr, "zarudiv-series export-law: %s\n", text.c_str()); }

}  // namespace

std::string ExportLawUsage()
{
    ExportLawLine line;
    return line.app.help();
}

int RunExportLawCommand(const std::vector<std::string>& args)
{
    ExportLawLine line;
    if (const std::string error = ParseArguments(line.app, args); !error.empty()) {
        Say(error);
        return kSeriesBadInput;
    }
    if (line.help) {
        std::fputs(line.app.help().c_str(), stdout);
        return kSeriesDone;
    }
    if (line.runOption->count() == 0) {
        Say(kRun.missing());
        return kSeriesBadInput;
    }
    std::string law;
    try {
        law = StoredLaw(line.db, line.run);
    } catch (const StoredLawError& error) {
        Say("--db " + line.db + ": " + error.what());
        return kSeriesBadInput;
    }
    if (line.out) {
        if (const FileError problem = WriteWholeFile(*line.out, law)) {
            Say("--out " + *line.out + ": cannot write the file: " + problem.message());
            return kSeriesFailed;
        }
        return kSeriesDone;
    }
    if (std::fwrite(law.data(), 1, law.size(), stdout) != law.size() || std::fflush(stdout) != 0) {
        Say("the standard output cannot be written");
        return kSeriesFailed;
    }
    return kSeriesDone;
}

}  // namespace zarudiv
