#include "plots/canvas_display.h"

#include "campaign/colours.h"
#include "plots/clear_image.h"
#include "plots/diffusion_law_plot.h"
#include "plots/plot_buffer.h"
#include "plots/plot_quality.h"
#include "plots/spectrum_plot.h"
#include "plots/vector_plot.h"

namespace zarudiv {

void CanvasDisplay::plotVector(PlotRole role, unsigned colour, const TVector& v)
{
    PlotBuffer = v;
    Canvas* image = canvas(role);
    if (image == nullptr)
        return;
    ClearImage(cl3DLight, *image);
    PlotVector(colour, PlotBuffer, *image);
}

void CanvasDisplay::plotSpectrum(PlotRole role, const TVector& coefficients)
{
    PlotBuffer = coefficients;
    Canvas* image = canvas(role);
    if (image == nullptr)
        return;
    ClearImage(cl3DLight, *image);
    PlotSpectrum(PlotBuffer, *image);
}

void CanvasDisplay::plotDiffusionLaw(PlotRole role, const TVector& coefficients, Generator& gen)
{
    PlotBuffer = coefficients;
    Canvas* image = canvas(role);
    if (image == nullptr) {
        // The plot's draws belong to the campaign even where nothing is shown.
        ConsumeDiffusionLawDraws(PlotBuffer, gen);
        return;
    }
    ClearImage(cl3DLight, *image);
    PlotDiffusionLaw(PlotBuffer, *image, gen);
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
