#include "plots/spectrum_plot.h"

#include <cstdlib>

#include "campaign/colours.h"
#include "plots/plot_count.h"
#include "plots/scale_for_plot.h"

namespace zarudiv {

void PlotSpectrum(TVector Coefficients, Canvas& Image)
{
    TVector& V = Coefficients;
    const int n = PlotCount(V);
    const int dx = ColumnWidth(Image.width(), n);
    Image.repaint();
    Image.setPenWidth(4);
    // The colours follow the signs before scaling.
    const TVector W = V;
    ScaleForPlot(V);
    const int CH = Image.height();
    for (int k = 1; k <= n; ++k) {
        const int h = std::abs(RoundToInt(V[k]));
        Image.moveTo(k * dx, CH - 2);
        Image.setPenColour(W[k] > 0 ? kRed : kGreen);
        Image.lineTo(k * dx, CH + 3 - h);
    }
    Image.setPenColour(kBlack);
    Image.setPenWidth(1);
    Image.repaint();
}

}  // namespace zarudiv
