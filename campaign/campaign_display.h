#pragma once
// What a campaign shows while it runs, in roles: what each text, bar and
// picture stands for, not which control shows it. The window maps the roles
// to its controls, the runner to a terminal line and PNG files, tests to
// recorders. Every method has a do-nothing default. Nothing here draws from
// the campaign's generator: the draws the pictures make belong to the
// campaign, which makes them itself whether or not anything is drawn.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "evolution/tvector.h"

namespace zarudiv {

// The texts a campaign keeps up to date.
enum class TextRole {
    Generation,   // "g von  G"
    Mutant,       // "m von  M"
    StepWidth,    // the current mutant's step width in ppm
    BestQuality,  // the best Q so far
};
inline constexpr std::array kTextRoles = {TextRole::Generation, TextRole::Mutant,
                                          TextRole::StepWidth, TextRole::BestQuality};

// The pictures a campaign draws.
enum class PlotRole {
    QualityCurve,
    ActivatorLaw,
    InhibitorLaw,
    ActivatorSpectrum,
    InhibitorSpectrum,
    StartVector,
    TargetVector,
    BestEvolvedVector,
};
inline constexpr std::array kPlotRoles = {
    PlotRole::QualityCurve,      PlotRole::ActivatorLaw,     PlotRole::InhibitorLaw,
    PlotRole::ActivatorSpectrum, PlotRole::InhibitorSpectrum, PlotRole::StartVector,
    PlotRole::TargetVector,      PlotRole::BestEvolvedVector};

// A short English name for messages, file names and test output.
std::string_view RoleName(TextRole role);
std::string_view RoleName(PlotRole role);

// One marker of the quality curve: generation `generation` of `generations`
// on the horizontal axis, `quality` on a vertical axis from 0 to `qualityRange`.
struct QualityPoint {
    double generations = 0.0;
    double qualityRange = 0.0;
    double generation = 0.0;
    double quality = 0.0;
    unsigned colour = 0;
    std::string caption;
};

// What one generation left behind, as the protocol row and the quality
// curve show it.
struct GenerationRecord {
    int generation = 0;
    std::int64_t evaluations = 0;  // mutants evaluated so far: generation x mutants
    double bestQ = 0.0;            // best Q at the end of the generation
    double stepWidth = 0.0;        // the parent's step width carried into the next
    int accepted = 0;              // mutants of this generation that were accepted
};

class CampaignDisplay {
public:
    virtual ~CampaignDisplay() = default;

    // The positions of the generation and mutant progress bars.
    virtual void setGenerationProgress(int /*g*/) {}
    virtual void setMutantProgress(int /*m*/) {}
    // Brings the text's field to the screen as it is, then sets the new text:
    // while the campaign runs a field shows the text of the call before.
    virtual void showText(TextRole /*role*/, const std::string& /*text*/) {}

    // Each vector plot: clear the picture with cl3DLight, then plot.
    virtual void plotVector(PlotRole /*role*/, unsigned /*colour*/, const TVector& /*v*/) {}
    virtual void plotSpectrum(PlotRole /*role*/, const TVector& /*coefficients*/) {}
    virtual void plotDiffusionLaw(PlotRole /*role*/, const TVector& /*coefficients*/) {}

    // A new, empty quality diagram with its caption.
    virtual void newQualityDiagram(const std::string& /*caption*/) {}
    // One more marker on the quality curve; the diagram is not cleared.
    virtual void addQualityPoint(const QualityPoint& /*point*/) {}

    // A generation is done: its row is written and its pictures drawn.
    virtual void generationDone(const GenerationRecord& /*record*/) {}
    // Something the user should know that does not stop the campaign (the
    // campaign runs on fewer threads than asked for, say).
    virtual void warn(const std::string& /*message*/) {}
};

// "GRA ?": a new, empty quality diagram, as the window and the runner start it.
void NewQualityDiagram(CampaignDisplay& display);

}  // namespace zarudiv
