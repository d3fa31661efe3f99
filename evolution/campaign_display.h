#pragma once
// What a campaign shows while it runs. The window implements it with its
// controls, the runner with in-memory image areas and a terminal line, tests
// with recorders. Every method has a do-nothing default except the diffusion-law
// plot, whose default still makes the plot's draws: those draws belong to the
// campaign's sequence whether or not anything is drawn.

#include <string>

#include "random_source.h"
#include "tvector.h"

namespace zarudiv {

enum class EditField { Edit4, Edit5, Edit6, Edit8 };

enum class PlotArea { Image1, Image2, Image3, Image4, Image7, Image8, Image9, Image10 };

// Colours: red in the lowest byte; a top byte of 0xFF names a system colour.
constexpr unsigned kBlack = 0x000000u;
constexpr unsigned kRed = 0x0000FFu;
constexpr unsigned kGreen = 0x00FF00u;
constexpr unsigned kBlue = 0xFF0000u;
constexpr unsigned kCl3DLight = 0xFF000016u;

struct QualityPlotArgs {
    int mode = 0;  // 100: new empty diagram; 200: add one point
    std::string caption;
    double spare1 = 0.0;
    double xMax = 0.0;
    double spare2 = 0.0;
    double yMax = 0.0;
    double x = 0.0;
    double y = 0.0;
    double spare3 = 0.0;
    double colour = 0.0;
};

class CampaignDisplay {
public:
    virtual ~CampaignDisplay() = default;

    // Positions of ProgressBar1 (generation) and ProgressBar2 (mutant).
    virtual void setGenerationPosition(int /*g*/) {}
    virtual void setMutantPosition(int /*m*/) {}
    // Repaints the edit field, then sets its text.
    virtual void showText(EditField /*field*/, const std::string& /*text*/) {}

    // Each vector plot: hand the vector over in PlotBuffer, ClearImage with
    // cl3DLight, then plot.
    virtual void plotVector(PlotArea /*area*/, unsigned /*colour*/, const TVector& /*v*/) {}
    virtual void plotSpectrum(PlotArea /*area*/, const TVector& /*coefficients*/) {}
    // Draws 2n values from gen, as the plot's working vectors do.
    virtual void plotDiffusionLaw(PlotArea area, const TVector& coefficients, Generator& gen);
    virtual void plotQuality(const QualityPlotArgs& /*args*/) {}
};

// The draws of one diffusion-law plot without the drawing.
void ConsumeDiffusionLawDraws(const TVector& coefficients, Generator& gen);

}  // namespace zarudiv
