// The campaign's plots on attached canvases: a cl3DLight clear, then the
// plot; the diffusion law's picture does not depend on the generator its
// working vectors draw from.

#include <gtest/gtest.h>

#include "campaign/campaign_display.h"
#include "campaign/colours.h"
#include "plots/canvas_display.h"
#include "plots/clear_image.h"
#include "plots/diffusion_law_plot.h"
#include "plots/plot_quality.h"
#include "plots/resolve_colour.h"
#include "plots/spectrum_plot.h"
#include "plots/vector_plot.h"
#include "tests/plots/pixels.h"
#include "tests/plots/test_vectors.h"

namespace zarudiv {
namespace {

using test::PixelsOf;
using test::Values;

TEST(CanvasDisplay, VectorPlotClearsThenPlots)
{
    Canvas canvas(217, 153);
    CanvasDisplay display;
    display.attach(PlotRole::StartVector, &canvas);
    EXPECT_EQ(display.canvas(PlotRole::StartVector), &canvas);
    EXPECT_EQ(display.canvas(PlotRole::BestEvolvedVector), nullptr);
    int repaints = 0;
    canvas.setRepaintHandler([&repaints] { ++repaints; });

    const TVector v = Values({2, 4, 6});
    const TVector copy = v;
    display.plotVector(PlotRole::StartVector, kBlue, v);
    EXPECT_EQ(v, copy);
    EXPECT_EQ(repaints, 3);  // the clear's, then the plot's two

    Canvas expected(217, 153);
    ClearImage(cl3DLight, expected);
    PlotVector(kBlue, v, expected);
    EXPECT_EQ(canvas.bitmap(), expected.bitmap());

    // The second plot's clear draws its frame with the blue pen the first left.
    display.plotVector(PlotRole::StartVector, kBlue, Values({1, 1}));
    EXPECT_EQ(canvas.bitmap().pixel(1, 1), test::kBluePx);
    EXPECT_EQ(canvas.bitmap().pixel(216, 152), test::kBluePx);
    EXPECT_EQ(canvas.bitmap().pixel(100, 100), ResolveColour(cl3DLight));
}

TEST(CanvasDisplay, SpectrumAndDiffusionLawDrawOnTheirOwnAreas)
{
    Canvas image2(153, 129);
    Canvas image7(153, 129);
    Canvas image3(169, 129);
    CanvasDisplay display;
    display.attach(PlotRole::ActivatorLaw, &image2);
    display.attach(PlotRole::InhibitorLaw, &image7);
    display.attach(PlotRole::ActivatorSpectrum, &image3);
    const TVector v = Values({3, -1, 2, -4});

    display.plotDiffusionLaw(PlotRole::InhibitorLaw, v);
    display.plotSpectrum(PlotRole::ActivatorSpectrum, v);

    // Drawn with any generator: the values the working vectors draw are
    // overwritten before they are used.
    Canvas law(153, 129);
    Generator lawGen(99u);
    ClearImage(cl3DLight, law);
    PlotDiffusionLaw(v, law, lawGen);
    EXPECT_EQ(image7.bitmap(), law.bitmap());
    EXPECT_FALSE(image2.hasBitmap());

    Canvas spectrum(169, 129);
    ClearImage(cl3DLight, spectrum);
    PlotSpectrum(v, spectrum);
    EXPECT_EQ(image3.bitmap(), spectrum.bitmap());
}

TEST(CanvasDisplay, PlotsWithoutACanvasDrawNothing)
{
    CanvasDisplay display;
    display.plotVector(PlotRole::BestEvolvedVector, kBlue, Values({1, 2}));
    display.plotSpectrum(PlotRole::InhibitorSpectrum, Values({3, 4, 5}));
    display.plotDiffusionLaw(PlotRole::ActivatorLaw, Values({3, 4, 5}));
    display.newQualityDiagram(" totale Qualitaet ");
    display.addQualityPoint(QualityPoint{10, 200, 3, 100, kRed, "  "});
    EXPECT_EQ(display.canvas(PlotRole::QualityCurve), nullptr);
}

TEST(CanvasDisplay, QualityGoesToTheQualityCurvesCanvas)
{
    Canvas image1(225, 289);
    CanvasDisplay display;
    display.attach(PlotRole::QualityCurve, &image1);
    NewQualityDiagram(display);
    QualityPoint point;
    point.generations = 10;
    point.qualityRange = 200;
    point.generation = 3;
    point.quality = 100;
    point.colour = 255;
    point.caption = "  ";
    display.addQualityPoint(point);

    Canvas expected(225, 289);
    PlotQuality(100, expected, " totale Qualitaet ", 0, 0, 0, 0, 0, 0, 0, 0);
    PlotQuality(200, expected, "  ", 1, 10, 0, 200, 3, 100, 0, 255);
    EXPECT_EQ(image1.bitmap(), expected.bitmap());
    EXPECT_EQ(PixelsOf(image1.bitmap(), test::kRedPx), test::RectPixels(QRect(71, 144, 2, 2)));
}

}  // namespace
}  // namespace zarudiv
