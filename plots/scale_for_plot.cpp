#include "plots/scale_for_plot.h"

#include "plots/plot_count.h"

namespace zarudiv {

void ScaleForPlot(TVector& V)
{
    double max = -100000000.0;
    double min = 1000000000.0;
    const int n = PlotCount(V);
    for (int k = 1; k <= n; ++k) {
        if (V[k] > max)
            max = static_cast<double>(V[k]);
        if (V[k] < min)
            min = static_cast<double>(V[k]);
    }
    // The difference is taken in extended precision and stored as double.
    const double range = static_cast<double>(static_cast<long double>(max) - min);
    for (int k = 1; k <= n; ++k)
        V[k] = (V[k] - min) * 99.99L / (1e-9L + range);
}

}  // namespace zarudiv
