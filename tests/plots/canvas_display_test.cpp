// The campaign's plots on attached canvases: hand-over in PlotBuffer, a
// cl3DLight clear, then the plot; the diffusion law's draws with or without
// a canvas.

#include <gtest/gtest.h>

#include "campaign_display.h"
#include "canvas_display.h"
#include "clear_image.h"
#include "diffusion_law_plot.h"
#include "pixels.h"
#include "plot_buffer.h"
#include "plot_quality.h"
#include "spectrum_plot.h"
#include "test_vectors.h"
#include "vector_plot.h"

namespace zarudiv {
namespace {

using test::PixelsOf;
using test::Values;

TEST(CanvasDisplay, VectorPlotClearsThenPlotsFromThePlotBuffer)
{
    Canvas canvas(217, 153);
    CanvasDisplay display;
    display.attach(PlotArea::Image9, &canvas);
    EXPECT_EQ(display.canvas(PlotArea::Image9), &canvas);
    EXPECT_EQ(display.canvas(PlotArea::Image10), nullptr);
    int repaints = 0;
    canvas.setRepaintHandler([&repaints] { ++repaints; });

    const TVector v = Values({2, 4, 6});
    const TVector copy = v;
    display.plotVector(PlotArea::Image9, kBlue, v);
    EXPECT_EQ(v, copy);
    EXPECT_EQ(PlotBuffer, v);
    EXPECT_EQ(repaints, 3);  // the clear's, then the plot's two

    Canvas expected(217, 153);
    ClearImage(kCl3DLight, expected);
    PlotVector(kBlue, v, expected);
    EXPECT_EQ(canvas.bitmap(), expected.bitmap());

    // The second plot's clear draws its frame with the blue pen the first left.
    display.plotVector(PlotArea::Image9, kBlue, Values({1, 1}));
    EXPECT_EQ(canvas.bitmap().pixel(1, 1), test::kBluePx);
    EXPECT_EQ(canvas.bitmap().pixel(216, 152), test::kBluePx);
    EXPECT_EQ(canvas.bitmap().pixel(100, 100), ResolveColour(kCl3DLight));
}

TEST(CanvasDisplay, SpectrumAndDiffusionLawDrawOnTheirOwnAreas)
{
    Canvas image2(153, 129);
    Canvas image7(153, 129);
    Canvas image3(169, 129);
    CanvasDisplay display;
    display.attach(PlotArea::Image2, &image2);
    display.attach(PlotArea::Image7, &image7);
    display.attach(PlotArea::Image3, &image3);
    const TVector v = Values({3, -1, 2, -4});

    Generator gen(99u);
    display.plotDiffusionLaw(PlotArea::Image7, v, gen);
    EXPECT_EQ(gen.draws, 8u);
    EXPECT_EQ(PlotBuffer, v);
    display.plotSpectrum(PlotArea::Image3, v);
    EXPECT_EQ(gen.draws, 8u);

    Canvas law(153, 129);
    Generator lawGen(99u);
    ClearImage(kCl3DLight, law);
    PlotDiffusionLaw(v, law, lawGen);
    EXPECT_EQ(image7.bitmap(), law.bitmap());
    EXPECT_FALSE(image2.hasBitmap());

    Canvas spectrum(169, 129);
    ClearImage(kCl3DLight, spectrum);
    PlotSpectrum(v, spectrum);
    EXPECT_EQ(image3.bitmap(), spectrum.bitmap());
}

TEST(CanvasDisplay, DiffusionLawWithoutACanvasStillMakesItsDraws)
{
    const TVector v = Values({1, -2, 3, -4, 5, -6});
    Generator shown(4242u);
    Generator hidden(4242u);
    Canvas canvas(153, 129);
    CanvasDisplay withCanvas;
    withCanvas.attach(PlotArea::Image2, &canvas);
    CanvasDisplay without;
    withCanvas.plotDiffusionLaw(PlotArea::Image2, v, shown);
    without.plotDiffusionLaw(PlotArea::Image2, v, hidden);
    EXPECT_EQ(shown.draws, 12u);
    EXPECT_EQ(hidden, shown);
    EXPECT_EQ(PlotBuffer, v);
}

TEST(CanvasDisplay, PlotsWithoutACanvasDrawNothingAndTakeNoDraws)
{
    CanvasDisplay display;
    display.plotVector(PlotArea::Image10, kBlue, Values({1, 2}));
    EXPECT_EQ(PlotBuffer, Values({1, 2}));  // the hand-over happens all the same
    display.plotSpectrum(PlotArea::Image4, Values({3, 4, 5}));
    EXPECT_EQ(PlotBuffer, Values({3, 4, 5}));
    QualityPlotArgs args;
    args.mode = 100;
    display.plotQuality(args);
    EXPECT_EQ(display.canvas(PlotArea::Image1), nullptr);
}

TEST(CanvasDisplay, QualityGoesToImage1)
{
    Canvas image1(225, 289);
    CanvasDisplay display;
    display.attach(PlotArea::Image1, &image1);
    QualityPlotArgs args;
    args.mode = 100;
    args.caption = " totale Qualitaet ";
    display.plotQuality(args);
    args = {};
    args.mode = 200;
    args.caption = "  ";
    args.spare1 = 1.0;
    args.xMax = 10;
    args.yMax = 200;
    args.x = 3;
    args.y = 100;
    args.colour = 255;
    display.plotQuality(args);

    Canvas expected(225, 289);
    PlotQuality(100, expected, " totale Qualitaet ", 0, 0, 0, 0, 0, 0, 0, 0);
    PlotQuality(200, expected, "  ", 1, 10, 0, 200, 3, 100, 0, 255);
    EXPECT_EQ(image1.bitmap(), expected.bitmap());
    EXPECT_EQ(PixelsOf(image1.bitmap(), test::kRedPx), test::RectPixels(QRect(71, 144, 2, 2)));
}

}  // namespace
}  // namespace zarudiv
