#include "plots/vector_plot.h"

#include "plots/plot_count.h"
#include "plots/scale_for_plot.h"

namespace zarudiv {

void PlotVector(unsigned Colour, TVector V, Canvas& Image)
{
    const int n = PlotCount(V);
    const int dx = ColumnWidth(Image.width(), n);
    Image.repaint();
    Image.setPenColour(Colour);
    ScaleForPlot(V);
    const int bottom = Image.height() - 1;
    for (int k = 2; k <= n; ++k) {
        Image.moveTo((k - 1) * dx, bottom - RoundToInt(V[k - 1]));
        Image.lineTo(k * dx, bottom - RoundToInt(V[k]));
    }
    Image.repaint();
}

}  // namespace zarudiv
