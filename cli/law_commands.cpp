#include "cli/law_commands.h"

#include <cstdio>

#include "campaign/colours.h"
#include "campaign/evaluate_law.h"
#include "cli/runner_options.h"
#include "cli/terminal_display.h"
#include "edge/exact_real.h"
#include "edge/extended_real.h"
#include "evolution/fpu.h"
#include "protocol/data_analysis.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

void Say(const std::string& text) { std::fprintf(stderr, "zarudiv-run: %s\n", text.c_str()); }

// The pictures of the window for a parent with this law and a best evolved
// vector developed under it, in the order a generation draws them, as the
// runner's campaign that found it leaves them. A vector plot leaves its pen
// blue and the next plot's clear draws the frame with it: after the second
// generation the best evolved vector has a blue frame.
void DrawParent(TerminalDisplay& display, const Law& law, const LawEvaluation& evaluation,
                int generations)
{
    if (generations >= 2)
        CheckedRegion([&] { display.plotVector(PlotRole::BestEvolvedVector, kBlue, evaluation.developed); });
    CheckedRegion([&] { display.plotVector(PlotRole::TargetVector, kBlue, evaluation.target); });
    CheckedRegion([&] { display.plotVector(PlotRole::StartVector, kBlue, evaluation.start); });
    CheckedRegion([&] { display.plotDiffusionLaw(PlotRole::ActivatorLaw, law.activator); });
    CheckedRegion([&] { display.plotDiffusionLaw(PlotRole::InhibitorLaw, law.inhibitor); });
    CheckedRegion([&] { display.plotSpectrum(PlotRole::ActivatorSpectrum, law.activator); });
    CheckedRegion([&] { display.plotSpectrum(PlotRole::InhibitorSpectrum, law.inhibitor); });
    CheckedRegion([&] { display.plotVector(PlotRole::BestEvolvedVector, kBlue, evaluation.developed); });
}

}  // namespace

int RunEvaluateCommand(const RunnerOptions& options, const LawRecord& record,
                       TerminalDisplay& display)
{
    LawEvaluation evaluation;
    try {
        evaluation = EvaluateLaw(record.law);
        if (options.plotsDir)
            DrawParent(display, record.law, evaluation, record.generation);
        if (options.protocolGiven) {
            ProtocolFile protocol;
            OpenProtocol(protocol, options.protocol);
            try {
                Generator scratch;
                WriteDataAnalysis(protocol, evaluation.target, evaluation.developed, scratch);
            } catch (...) {
                AbandonProtocol(protocol);
                throw;
            }
            CloseProtocol(protocol);
        }
    } catch (const ProtocolIoError& error) {
        Say(error.file() + ": " + error.what());
        return kExitFailed;
    } catch (const std::exception& error) {
        Say(*options.evaluate + ": " + error.what());
        return kExitFailed;
    }
    std::printf("q %s\n", ExactReal(evaluation.q).c_str());
    const int n = VectorCount(evaluation.developed);
    for (int i = 1; i <= n; ++i)
        std::printf("developed %d %s %s\n", i, ExtendedHex(evaluation.developed[i]).c_str(),
                    ExtendedDecimal(evaluation.developed[i]).c_str());
    if (record.q != evaluation.q)
        Say("note: the file says q " + ExactReal(record.q) + "; this law develops to q " +
            ExactReal(evaluation.q));
    return kExitDone;
}

}  // namespace zarudiv
