#include "runner_options.h"

#include <charconv>
#include <limits>
#include <thread>

namespace zarudiv {

namespace {

// Parses a whole decimal number in [low, high]; no sign, blanks or suffixes.
std::optional<std::uint64_t> ParseNumber(const std::string& text, std::uint64_t low,
                                         std::uint64_t high)
{
    std::uint64_t value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || value < low || value > high)
        return std::nullopt;
    return value;
}

}  // namespace

CampaignSettings RunnerOptions::settings() const
{
    CampaignSettings s;
    s.maxGenerationen = generations;
    s.maxMutanten = mutants;
    // As the window computes it: the scroll-bar position over 10^9, in extended.
    s.StartSchrittweite = static_cast<long double>(stepPpm) / 1000000000.0L;
    s.saveOption = save;
    return s;
}

ParseResult ParseRunnerOptions(const std::vector<std::string>& args)
{
    ParseResult result;
    RunnerOptions& o = result.options;
    bool haveGenerations = false;
    bool haveMutants = false;
    bool haveStep = false;

    struct Ranged {
        const char* name;
        std::uint64_t low;
        std::uint64_t high;
    };
    const auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto valueOf = [&](const Ranged& r) -> std::optional<std::uint64_t> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return ParseNumber(args[++i], r.low, r.high);
        };
        const auto rangeError = [&](const Ranged& r) {
            return std::string(r.name) + " needs a whole number from " + std::to_string(r.low) +
                   " to " + std::to_string(r.high) +
                   (i < args.size() && args[i] != r.name ? " (got \"" + args[i] + "\")" : "");
        };

        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--save") {
            o.save = true;
        } else if (arg == "--generations") {
            const Ranged r{"--generations", 0, 10000};
            const auto v = valueOf(r);
            if (!v)
                return fail(rangeError(r));
            o.generations = static_cast<int>(*v);
            haveGenerations = true;
        } else if (arg == "--mutants") {
            const Ranged r{"--mutants", 0, 100};
            const auto v = valueOf(r);
            if (!v)
                return fail(rangeError(r));
            o.mutants = static_cast<int>(*v);
            haveMutants = true;
        } else if (arg == "--step") {
            const Ranged r{"--step", 0, 1000};
            const auto v = valueOf(r);
            if (!v)
                return fail(rangeError(r));
            o.stepPpm = static_cast<int>(*v);
            haveStep = true;
        } else if (arg == "--seed") {
            const Ranged r{"--seed", 0, std::numeric_limits<std::uint32_t>::max()};
            const auto v = valueOf(r);
            if (!v)
                return fail(rangeError(r));
            o.seed = static_cast<std::uint32_t>(*v);
        } else if (arg == "--threads") {
            const Ranged r{"--threads", 1, 256};
            const auto v = valueOf(r);
            if (!v)
                return fail(rangeError(r));
            o.threads = static_cast<unsigned>(*v);
        } else if (arg == "--protocol") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return fail("--protocol needs a file name");
            o.protocol = args[++i];
        } else if (arg == "--plots") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return fail("--plots needs a directory");
            o.plotsDir = args[++i];
        } else {
            return fail("unknown option \"" + arg + "\" (see --help)");
        }
    }
    if (o.help)
        return result;
    if (!haveGenerations)
        return fail("--generations is missing: give a whole number from 0 to 10000");
    if (!haveMutants)
        return fail("--mutants is missing: give a whole number from 0 to 100");
    if (!haveStep)
        return fail("--step is missing: give a whole number from 0 to 1000");
    return result;
}

std::string RunnerUsage()
{
    return R"(Usage: zarudiv-run --generations G --mutants M --step PPM [options]

Runs one campaign of the evolution strategy without a window, exactly as the
window runs it after "GRA ?", the scroll bars set to G, M and PPM,
"Save Option" (with --save) and " EVOLUTION". The same seed and settings give
the same protocol file, byte for byte, as the window.

  --generations G   generations, 0..10000 (ScrollBar1; 0: never moved)
  --mutants M       mutants per generation, 0..100 (ScrollBar2; 0: never moved)
  --step PPM        start step width in ppm, 0..1000 (ScrollBar3; the step
                    width is PPM / 1000000000; 0: never moved)
  --seed S          seed of the generator, 0..4294967295; without it the clock
                    seeds the campaign as in the window and the seed used is
                    printed, so that any run can be repeated
  --save            write the header, one row per generation and the
                    data-analysis report ("Save Option")
  --protocol FILE   protocol file (default "C:/QX_000_000.doc", which is the
                    file QX_000_000.doc in a directory "C:" below the working
                    directory, created when missing)
  --threads N       evaluate the mutants of a generation on N threads, 1..256
                    (default: all cores; 1: sequential). The protocol is the
                    same for every N.
  --plots DIR       after the campaign write the image areas as PNG files
                    (Image1.png ... Image10.png) into DIR, created when missing
  --help            show this text

Progress (generation, best Q) goes to stderr while it runs when stderr is a
terminal; a one-line summary goes to stdout at the end.

Exit codes:
  0  the campaign is done and the protocol written
  1  the campaign or the protocol failed (the message is on stderr)
  2  bad options (the message names the option and its allowed range)
)";
}

}  // namespace zarudiv
