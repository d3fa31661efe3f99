// The diffusion-law plot: cumulative positive and negative parts on one
// scale, the labels under the curves, and its 2n draws.

#include <gtest/gtest.h>

#include "campaign/colours.h"
#include "plots/diffusion_law_plot.h"
#include "tests/plots/pixels.h"
#include "tests/plots/test_vectors.h"

namespace zarudiv {
namespace {

using test::kGreenPx;
using test::kRedPx;
using test::kWhitePx;
using test::PixelsOf;
using test::RectPixels;

using test::Values;

// Every pixel of a two-pixel-wide segment's path has the colour (the path's
// pixels are covered by their own stamps whatever else overlaps there).
void ExpectPath(Canvas& canvas, int x1, int y1, int x2, int y2, QRgb colour, int fromRow = 0)
{
    for (const auto& [x, y] : test::CentrePixels(x1, y1, x2, y2))
        if (y >= fromRow) {
            EXPECT_EQ(canvas.bitmap().pixel(x, y), colour) << x << ',' << y << " on " << x1 << ',' << y1
                                                       << " -> " << x2 << ',' << y2;
        }
}

TEST(DiffusionLawPlot, WorkedExampleOnA153By129Image)
{
    // v = (3, -1, 2, -4): A = (5, 2, 2, 0), B = (5, 5, 4, 4), both scaled by 99/5;
    // dx = 38. Red through (38, 29), (76, 88), (114, 88), (152, 128);
    // green through (38, 29), (76, 29), (114, 49), (152, 49).
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(Values({3, -1, 2, -4}), canvas, gen);
    const QImage& image = canvas.bitmap();

    // Horizontal pieces, two rows wide (the pixel and the one above).
    EXPECT_EQ(PixelsOf(image, kGreenPx, QRect(QPoint(37, 28), QPoint(75, 29))),
              RectPixels(QRect(QPoint(37, 28), QPoint(75, 29))));
    EXPECT_EQ(PixelsOf(image, kRedPx, QRect(QPoint(75, 87), QPoint(113, 88))),
              RectPixels(QRect(QPoint(75, 87), QPoint(113, 88))));
    EXPECT_EQ(PixelsOf(image, kGreenPx, QRect(QPoint(113, 48), QPoint(151, 49))),
              RectPixels(QRect(QPoint(113, 48), QPoint(151, 49))));
    // Slanted pieces (the red start at row 29 lies under the green curve).
    ExpectPath(canvas, 38, 29, 76, 88, kRedPx, 31);
    ExpectPath(canvas, 114, 88, 152, 128, kRedPx);
    ExpectPath(canvas, 76, 29, 114, 49, kGreenPx);
    // A[1] = 98.9999998 rounds to 99: the red curve starts on row 29, not 30.
    EXPECT_EQ(image.pixel(37, 30), kWhitePx);
    // The end points are excluded: nothing red on the bottom row, nothing green in column 152.
    EXPECT_TRUE(PixelsOf(image, kRedPx, QRect(0, 128, 153, 1)).empty());
    EXPECT_TRUE(PixelsOf(image, kGreenPx, QRect(152, 0, 1, 129)).empty());
    // Nothing reaches above the scale's top row 29 but the stamps' upper row.
    EXPECT_TRUE(PixelsOf(image, kRedPx, QRect(0, 0, 153, 28)).empty());
    EXPECT_TRUE(PixelsOf(image, kGreenPx, QRect(0, 0, 153, 28)).empty());
}

TEST(DiffusionLawPlot, LabelsStandOnOpaqueBoxesOfTheirColour)
{
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(Values({3, -1, 2, -4}), canvas, gen);

    // The labels as the canvas draws them with a red and a green brush.
    Canvas reference(153, 129);
    reference.setBrushColour(kRed);
    reference.textOut(10, 109, QStringLiteral("AKTIVATOR"));
    reference.setBrushColour(kGreen);
    reference.textOut(10, 89, QStringLiteral("INHIBITOR "));
    for (const QRect& box : {test::TextBox(10, 109, QStringLiteral("AKTIVATOR")),
                             test::TextBox(10, 89, QStringLiteral("INHIBITOR "))})
        EXPECT_EQ(canvas.bitmap().copy(box), reference.bitmap().copy(box));
    // The boxes' top rows carry no ink: the full colour up to the trailing blank.
    EXPECT_EQ(canvas.bitmap().pixel(10, 109), kRedPx);
    EXPECT_EQ(canvas.bitmap().pixel(10, 89), kGreenPx);
    EXPECT_EQ(canvas.bitmap().pixel(test::TextBox(10, 89, QStringLiteral("INHIBITOR ")).right(), 89), kGreenPx);
}

TEST(DiffusionLawPlot, WithoutNegativeCoefficientsTheGreenCurveLiesOnTheBottomRow)
{
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(Values({1, 2, 3}), canvas, gen);  // dx = 51, B = 0
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kGreenPx, QRect(0, 127, 153, 2)),
              RectPixels(QRect(QPoint(50, 127), QPoint(152, 128))));
    // A = (6, 5, 3): 99, 82.5 and 49.5 less a hair: rows 29, 46, 79.
    ExpectPath(canvas, 51, 29, 102, 46, kRedPx);
    ExpectPath(canvas, 102, 46, 153, 79, kRedPx);
}

TEST(DiffusionLawPlot, AllZeroCoefficientsPutGreenOverRedOnTheBottomRow)
{
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(Values({0, 0, 0, 0, 0}), canvas, gen);  // dx = 30
    const QRect aktivator = test::TextBox(10, 109, QStringLiteral("AKTIVATOR"));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), PixelsOf(canvas.bitmap(), kRedPx, aktivator));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kGreenPx, QRect(0, 127, 153, 2)),
              RectPixels(QRect(QPoint(29, 127), QPoint(149, 128))));
}

TEST(DiffusionLawPlot, SingleCoefficientDrawsOnlyTheLabels)
{
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(Values({-2}), canvas, gen);
    const QRect aktivator = test::TextBox(10, 109, QStringLiteral("AKTIVATOR"));
    const QRect inhibitor = test::TextBox(10, 89, QStringLiteral("INHIBITOR "));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), PixelsOf(canvas.bitmap(), kRedPx, aktivator));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kGreenPx), PixelsOf(canvas.bitmap(), kGreenPx, inhibitor));
    EXPECT_FALSE(PixelsOf(canvas.bitmap(), kGreenPx).empty());
    EXPECT_EQ(gen.draws, 2u);
}

TEST(DiffusionLawPlot, TakesExactly2nDrawsWhateverTheCoefficients)
{
    const TVector rows[] = {Values({7}), Values({0, 0, 0}), Values({3, -1, 2, -4}), Values({1e30L, -1e-30L}),
                            Values({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20})};
    for (const TVector& v : rows) {
        Canvas canvas(153, 129);
        Generator gen(12345u);
        Generator expected(12345u);
        expected.skip(2 * static_cast<std::uint64_t>(VectorCount(v)));
        PlotDiffusionLaw(v, canvas, gen);
        EXPECT_EQ(gen.draws, 2u * static_cast<std::uint64_t>(VectorCount(v)));
        EXPECT_EQ(gen.RandSeed, expected.RandSeed);
    }
}

TEST(DiffusionLawPlot, RepaintsTheClearedAndTheFinishedPictureAndLeavesABlackPen)
{
    Canvas canvas(153, 129);
    canvas.bitmap().fill(test::kBluePx);
    const QImage before = canvas.bitmap().copy();
    test::RepaintRecorder screen;
    screen.attach(canvas);
    Generator gen(1);
    PlotDiffusionLaw(Values({3, -1, 2, -4}), canvas, gen);
    ASSERT_EQ(screen.shown.size(), 2u);
    EXPECT_EQ(screen.shown[0], before);
    EXPECT_EQ(screen.shown[1], canvas.bitmap());
    EXPECT_EQ(canvas.penColour(), kBlack);
    EXPECT_EQ(canvas.penWidth(), 1);
    EXPECT_EQ(canvas.brushColour(), kGreen);
}

TEST(DiffusionLawPlot, OnTheCampaignsImageTwentyColumnsSevenApart)
{
    // n = 20 on 153 x 129: points at x = 7, 14, ..., 140.
    TVector v;
    v[0] = 20;
    for (int k = 1; k <= 20; ++k)
        v[k] = 1;
    Canvas canvas(153, 129);
    Generator gen(1);
    PlotDiffusionLaw(v, canvas, gen);
    // A[k] = 21 - k, scaled by 99/20: 99 at x = 7, 94.05 at x = 14, 9.9 at
    // x = 133 and 4.95 at x = 140.
    ExpectPath(canvas, 7, 29, 14, 34, kRedPx);
    ExpectPath(canvas, 133, 118, 140, 123, kRedPx);
    EXPECT_TRUE(PixelsOf(canvas.bitmap(), kRedPx, QRect(140, 0, 13, 129)).empty());
    EXPECT_EQ(gen.draws, 40u);
}

}  // namespace
}  // namespace zarudiv
