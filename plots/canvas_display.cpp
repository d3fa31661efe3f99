#include "plots/canvas_display.h"

#include "campaign/colours.h"
#include "plots/clear_image.h"
#include "plots/diffusion_law_plot.h"
#include "plots/plot_quality.h"
#include "plots/spectrum_plot.h"
#include "plots/vector_plot.h"

namespace zarudiv {

void CanvasDisplay::plotVector(PlotRole role, unsigned colour, const TVector& v)
{
    Canvas* image = canvas(role);
    if (image == nullptr)
        return;
    ClearImage(cl3DLight, *image);
    PlotVector(colour, v, *image);
}

void CanvasDisplay::plotSpectrum(PlotRole role, const TVector& coefficients)
{
    Canvas* image = canvas(role);
    if (image == nullptr)
        return;
    ClearImage(cl3DLight, *image);
    PlotSpectrum(coefficients, *image);
}

void CanvasDisplay::plotDiffusionLaw(PlotRole role, const TVector& coefficients)
{
    Canvas* image = canvas(role);
    if (image == nullptr)
        return;
    ClearImage(cl3DLight, *image);
    // The plot's working vectors draw from a generator; the campaign makes
    // those draws on its own, and the values drawn are overwritten before
    // they are used, so any generator draws the same picture.
    Generator scratch;
    PlotDiffusionLaw(coefficients, *image, scratch);
}

void CanvasDisplay::newQualityDiagram(const std::string& caption)
{
    if (Canvas* image = canvas(PlotRole::QualityCurve))
        PlotQuality(kQualityNewDiagram, *image, caption, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0);
}

void CanvasDisplay::addQualityPoint(const QualityPoint& point)
{
    // The plotter's three spare arguments are not used; the campaign passes
    // 1.0, 0.0 and 0.0 for them.
    if (Canvas* image = canvas(PlotRole::QualityCurve))
        PlotQuality(kQualityAddPoint, *image, point.caption, 1.0, point.generations, 0.0,
                    point.qualityRange, point.generation, point.quality, 0.0, point.colour);
}

}  // namespace zarudiv
