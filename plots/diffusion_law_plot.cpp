#include "plots/diffusion_law_plot.h"

#include <QString>
#include <cmath>

#include "campaign/colours.h"
#include "plots/plot_count.h"

namespace zarudiv {

namespace {

void Polyline(Canvas& image, const TVector& curve, int n, int dx)
{
    const int bottom = image.height() - 1;
    for (int k = 2; k <= n; ++k) {
        image.moveTo((k - 1) * dx, bottom - RoundToInt(curve[k - 1]));
        image.lineTo(k * dx, bottom - RoundToInt(curve[k]));
    }
}

}  // namespace

void PlotDiffusionLaw(TVector Coefficients, Canvas& Image, Generator& gen)
{
    const TVector& v = Coefficients;
    const int n = PlotCount(v);
    const int dx = ColumnWidth(Image.width(), n);

    TVector A;
    TVector B;
    InitVector(n, A, gen);
    ClearVector(A);
    InitVector(n, B, gen);
    ClearVector(B);

    // A[k]: the positive values among v[k..n]; B[k]: the magnitudes of the negative ones.
    for (int i = 1; i <= n; ++i) {
        if (v[i] > 0) {
            for (int k = 1; k <= i; ++k)
                A[k] = A[k] + v[i];
        } else if (v[i] < 0) {
            for (int k = 1; k <= i; ++k)
                B[k] = B[k] + std::fabs(v[i]);
        }
    }

    // One scale for both curves, from 0 to the larger of the two.
    double M = -1000000.0;
    for (int k = 1; k <= n; ++k) {
        if (std::fabs(A[k]) > M)
            M = static_cast<double>(A[k]);
        if (std::fabs(B[k]) > M)
            M = static_cast<double>(B[k]);
    }
    const double R = M - 0.0;
    for (int k = 1; k <= n; ++k) {
        A[k] = (A[k] - 0.0L) * 99.0L / (1e-8L + R);
        B[k] = (B[k] - 0.0L) * 99.0L / (1e-8L + R);
    }

    Image.repaint();

    Image.setPenWidth(2);
    Image.setPenColour(kRed);
    Image.setBrushColour(kRed);
    Image.textOut(10, Image.height() - 20, QStringLiteral("AKTIVATOR"));
    Polyline(Image, A, n, dx);

    Image.setPenColour(kGreen);
    Image.setBrushColour(kGreen);
    Image.textOut(10, Image.height() - 40, QStringLiteral("INHIBITOR "));
    Polyline(Image, B, n, dx);

    Image.setPenWidth(1);
    Image.setPenColour(kBlack);
    Image.repaint();
}

}  // namespace zarudiv
