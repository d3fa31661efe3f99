#include "cli/runner_options.h"

#include <CLI/CLI.hpp>
#include <limits>

#include "cli/option_declarations.h"

namespace zarudiv {

namespace {

const WholeNumber kGenerations{"--generations", "G", 0, 10000, "generations",
                               "(ScrollBar1; 0: never moved)"};
const WholeNumber kMutants{"--mutants", "M", 0, 100, "mutants per generation",
                           "(ScrollBar2; 0: never moved)"};
const WholeNumber kStep{"--step", "PPM", 0, 1000, "start step width in ppm",
                        "(ScrollBar3; the step width is PPM / 1000000000; 0: never moved)"};
const WholeNumber kSeed{"--seed", "S", 0, std::numeric_limits<std::uint32_t>::max(),
                        "seed of the generator",
                        "(without it the clock seeds the campaign as in the window and the "
                        "seed used is printed, so that any run can be repeated)"};
const WholeNumber kThreads{"--threads", "N", 1, 256,
                           "evaluate the mutants of a generation on N threads",
                           "(default: all cores; 1: sequential). The protocol is the same for "
                           "every N."};

const WholeNumber kCheckpointEvery{"--checkpoint-every", "S", 0, 86400,
                                   "write the checkpoint at most every S seconds",
                                   "(default 60; 0: after every generation)"};

const char* const kDescription =
    "Runs one campaign of the evolution strategy without a window, exactly as the\n"
    "window runs it after \"GRA ?\", the scroll bars set to G, M and PPM,\n"
    "\"Save Option\" (with --save) and \" EVOLUTION\". The same seed and settings give\n"
    "the same protocol file, byte for byte, as the window.\n";

const char* const kFooter =
    "Progress (generation, best Q) goes to stderr while it runs when stderr is a\n"
    "terminal; a one-line summary goes to stdout at the end.\n"
    "\n"
    "SIGINT (Ctrl-C) or SIGTERM stops the campaign at the end of its generation:\n"
    "the protocol keeps every row so far, without the report and the closing line.\n"
    "\n"
    "Exit codes:\n"
    "  0  the campaign is done and the protocol written\n"
    "  1  the campaign, the protocol, the log, the pictures or the output failed\n"
    "     (a file another campaign or series is writing, a FIFO, a full disk, a\n"
    "     stdout whose reader has gone; the message is on stderr)\n"
    "  2  bad options (the message names the option and its allowed range), two\n"
    "     outputs that are one file, or a law or checkpoint file that cannot be used\n"
    "     (the message names the file and the line); nothing is written\n"
    "  130 (SIGINT), 143 (SIGTERM)  stopped at the end of a generation\n";

// The runner's command line, declared once for parsing and for --help.
struct RunnerCommandLine {
    CLI::App app{kDescription, "zarudiv-run"};
    RunnerOptions options;
    CLI::Option* generations = nullptr;
    CLI::Option* mutants = nullptr;
    CLI::Option* step = nullptr;
    CLI::Option* seed = nullptr;
    CLI::Option* protocol = nullptr;
    CLI::Option* save = nullptr;
    std::vector<std::pair<std::string, CLI::Option*>> campaignOnly;

    RunnerCommandLine()
    {
        RunnerOptions& o = options;
        app.set_help_flag();
        app.add_flag("-h,--help", o.help, "show this text");
        generations = AddWholeNumber(app, kGenerations, [&o](std::uint64_t v) {
            o.generations = static_cast<int>(v);
        });
        mutants = AddWholeNumber(app, kMutants,
                                 [&o](std::uint64_t v) { o.mutants = static_cast<int>(v); });
        step = AddWholeNumber(app, kStep, [&o](std::uint64_t v) { o.stepPpm = static_cast<int>(v); });
        seed = AddWholeNumber(app, kSeed,
                              [&o](std::uint64_t v) { o.seed = static_cast<std::uint32_t>(v); });
        save = app.add_flag("--save", o.save,
                            WrapHelp("write the header, one row per generation and the "
                                     "data-analysis report (\"Save Option\")"));
        protocol = AddText(app, "--protocol", "FILE",
                "protocol file (default \"C:/QX_000_000.doc\", which is the file QX_000_000.doc "
                "in a directory \"C:\" below the working directory, created when missing)",
                "a file name", [&o](const std::string& name) { o.protocol = name; },
                TextCheck::FileName);
        AddWholeNumber(app, kThreads,
                       [&o](std::uint64_t v) { o.threads = static_cast<unsigned>(v); });
        AddText(app, "--plots", "DIR",
                "after the campaign write the image areas as PNG files (Image1.png ... "
                "Image10.png) into DIR, created when missing",
                "a directory", [&o](const std::string& dir) { o.plotsDir = dir; },
                TextCheck::FileName);
        CLI::Option* log = AddText(
            app, "--log", "FILE",
            "write one CSV row per generation to FILE: generation,evaluations,best_q,"
            "step_width,accepted (reals with 17 significant digits, so they read back "
            "exactly)",
            "a file name", [&o](const std::string& name) { o.logFile = name; },
            TextCheck::FileName);
        CLI::Option* lawOut = AddText(
            app, "--law-out", "FILE",
            "at the end (also after a stop) write the campaign's best law to FILE: its 40 "
            "coefficients and step width, exact (see the README, \"The evolved law\")",
            "a file name", [&o](const std::string& name) { o.lawOut = name; },
            TextCheck::FileName);
        CLI::Option* startLaw = AddText(
            app, "--start-law", "FILE",
            "BEYOND THE WINDOW'S CAMPAIGN: the parent starts from the law in FILE instead of "
            "zeros, with its step width unless --step is given (then --step is the start step "
            "width). The same law and seed give the same protocol",
            "a law file", [&o](const std::string& name) { o.startLaw = name; },
            TextCheck::FileName);
        AddText(app, "--evaluate", "FILE",
                "no campaign: develop the start vector under the law in FILE as a mutant is "
                "evaluated and print its Q (17 significant digits, the campaign's own) and the "
                "developed vector; with --plots the pictures of that parent, with --protocol "
                "the data-analysis report of the developed vector",
                "a law file", [&o](const std::string& name) { o.evaluate = name; },
                TextCheck::FileName);
        CLI::Option* checkpoint = AddText(app, "--checkpoint", "FILE",
                "write the campaign's state to FILE (whole: a temporary file, synced and renamed) "
                "at most every --checkpoint-every seconds, at a stop (SIGINT, SIGTERM) and at the "
                "end; --continue FILE goes on from it",
                "a file name", [&o](const std::string& name) { o.checkpoint = name; },
                TextCheck::FileName);
        CLI::Option* every = AddWholeNumber(app, kCheckpointEvery,
                       [&o](std::uint64_t v) { o.checkpointEvery = static_cast<unsigned>(v); });
        CLI::Option* continueFrom = AddText(app, "--continue", "FILE",
                "go on with the campaign of the checkpoint FILE, to its own generations or to "
                "--generations G (at least the generation it reached): the protocol (from its "
                "second line on), the log, the law and the pictures are those of the unbroken "
                "campaign with G generations. Takes --generations, --protocol, --log, "
                "--law-out, --plots, --checkpoint and --threads",
                "a checkpoint file", [&o](const std::string& name) { o.continueFrom = name; },
                TextCheck::FileName);
        campaignOnly = {{"--generations", generations}, {"--mutants", mutants}, {"--step", step},
                        {"--seed", seed},       {"--save", save},       {"--log", log},
                        {"--law-out", lawOut},  {"--start-law", startLaw},
                        {"--checkpoint", checkpoint}, {"--checkpoint-every", every},
                        {"--continue", continueFrom}};
        app.allow_extras();
        app.footer(kFooter);
        app.get_formatter()->column_width(20);
    }
};

}  // namespace

Campaign RunnerOptions::campaign(std::uint32_t seedUsed) const
{
    Campaign c;
    c.generations = generations;
    c.mutants = mutants;
    c.stepPpm = stepPpm;
    c.save = save;
    c.seed = seedUsed;
    return c;
}

ParseResult ParseRunnerOptions(const std::vector<std::string>& args)
{
    RunnerCommandLine line;
    ParseResult result;
    result.error = ParseArguments(line.app, args, &result.warnings);
    result.options = line.options;
    if (!result.error.empty())
        return result;
    if (result.options.help)
        return result;
    result.options.stepGiven = line.step->count() > 0;
    result.options.generationsGiven = line.generations->count() > 0;
    result.options.protocolGiven = line.protocol->count() > 0;
    if (result.options.evaluate) {
        for (const auto& [name, option] : line.campaignOnly)
            if (option->count() > 0) {
                result.error = "--evaluate runs no campaign: " + name +
                               " does not go with it (it takes --plots and --protocol)";
                return result;
            }
        return result;
    }
    if (result.options.continueFrom) {
        // The checkpoint holds the campaign; only its length may change.
        for (const auto& [name, option] : line.campaignOnly)
            if (name != "--generations" && name != "--log" && name != "--law-out" &&
                name != "--checkpoint" && name != "--checkpoint-every" && name != "--continue" &&
                option->count() > 0) {
                result.error = "--continue goes on with the checkpoint's campaign: " + name +
                               " does not go with it";
                return result;
            }
        return result;
    }
    if (line.generations->count() == 0)
        result.error = kGenerations.missing();
    else if (line.mutants->count() == 0)
        result.error = kMutants.missing();
    else if (!result.options.stepGiven && !result.options.startLaw)
        result.error = kStep.missing();
    return result;
}

std::string RunnerUsage()
{
    RunnerCommandLine line;
    return line.app.help();
}

}  // namespace zarudiv
