#include "canvas_display.h"

#include "clear_image.h"
#include "diffusion_law_plot.h"
#include "plot_buffer.h"
#include "plot_quality.h"
#include "spectrum_plot.h"
#include "vector_plot.h"

namespace zarudiv {

void CanvasDisplay::plotVector(PlotArea area, unsigned colour, const TVector& v)
{
    PlotBuffer = v;
    Canvas* image = canvas(area);
    if (image == nullptr)
        return;
    ClearImage(kCl3DLight, *image);
    PlotVector(colour, PlotBuffer, *image);
}

void CanvasDisplay::plotSpectrum(PlotArea area, const TVector& coefficients)
{
    PlotBuffer = coefficients;
    Canvas* image = canvas(area);
    if (image == nullptr)
        return;
    ClearImage(kCl3DLight, *image);
    PlotSpectrum(PlotBuffer, *image);
}

void CanvasDisplay::plotDiffusionLaw(PlotArea area, const TVector& coefficients, Generator& gen)
{
    PlotBuffer = coefficients;
    Canvas* image = canvas(area);
    if (image == nullptr) {
        // The plot's draws belong to the campaign even where nothing is shown.
        ConsumeDiffusionLawDraws(PlotBuffer, gen);
        return;
    }
    ClearImage(kCl3DLight, *image);
    PlotDiffusionLaw(PlotBuffer, *image, gen);
}

void CanvasDisplay::plotQuality(const QualityPlotArgs& args)
{
    Canvas* image = canvas(PlotArea::Image1);
    if (image == nullptr)
        return;
    PlotQuality(args.mode, *image, args.caption, args.spare1, args.xMax, args.spare2, args.yMax,
                args.x, args.y, args.spare3, args.colour);
}

}  // namespace zarudiv
