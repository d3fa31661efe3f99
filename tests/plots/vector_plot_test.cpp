// The vector plot and the scaling it shares with the spectrum.

#include <gtest/gtest.h>

#include "campaign/colours.h"
#include "plots/scale_for_plot.h"
#include "plots/vector_plot.h"
#include "tests/plots/pixels.h"
#include "tests/plots/test_vectors.h"

namespace zarudiv {
namespace {

using test::kBluePx;
using test::PixelsOf;
using test::RectPixels;
using test::Values;

void ExpectPath(Canvas& canvas, int x1, int y1, int x2, int y2)
{
    for (const auto& [x, y] : test::CentrePixels(x1, y1, x2, y2))
        EXPECT_EQ(canvas.bitmap().pixel(x, y), kBluePx) << x << ',' << y;
}

TEST(ScaleForPlot, MapsOntoZeroToJustUnder9999)
{
    TVector v = Values({2, 4, 6});
    v[4] = 77;  // above n: left alone
    ScaleForPlot(v);
    EXPECT_EQ(v[0], 3.0L);
    EXPECT_EQ(v[1], 0.0L);
    // The 1e-9 in the divisor takes a few 1e-8 off.
    EXPECT_NEAR(static_cast<double>(v[2]), 49.995, 1e-7);
    EXPECT_NEAR(static_cast<double>(v[3]), 99.99, 1e-7);
    EXPECT_LT(v[2], 49.995L);
    EXPECT_LT(v[3], 99.99L);
    EXPECT_EQ(v[4], 77.0L);
}

TEST(ScaleForPlot, ConstantVectorBecomesZero)
{
    TVector v = Values({-3.5L, -3.5L, -3.5L});
    ScaleForPlot(v);
    EXPECT_EQ(v, Values({0, 0, 0}));
}

TEST(VectorPlot, WorkedExampleTwoFourSix)
{
    // On 217 x 153: dx = 72, points (72, 152), (144, 102), (216, 52).
    Canvas canvas(217, 153);
    PlotVector(kBlue, Values({2, 4, 6}), canvas);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx).size(), 144u);  // one pixel per column 72..215
    EXPECT_EQ(canvas.bitmap().pixel(72, 152), kBluePx);
    EXPECT_EQ(canvas.bitmap().pixel(144, 102), kBluePx);
    EXPECT_NE(canvas.bitmap().pixel(216, 52), kBluePx);
    ExpectPath(canvas, 72, 152, 144, 102);
    ExpectPath(canvas, 144, 102, 216, 52);
}

TEST(VectorPlot, StartVectorRunsAlongRow52WithADipAtX60)
{
    TVector start;
    start[0] = 20;
    for (int k = 1; k <= 20; ++k)
        start[k] = 100;
    start[6] = 25;
    const TVector original = start;
    Canvas canvas(217, 153);  // Image9: dx = 10
    PlotVector(kBlue, start, canvas);
    EXPECT_EQ(start, original);

    const QImage& image = canvas.bitmap();
    auto row52 = RectPixels(QRect(QPoint(10, 52), QPoint(50, 52)));
    const auto right = RectPixels(QRect(QPoint(70, 52), QPoint(199, 52)));
    row52.insert(right.begin(), right.end());
    EXPECT_EQ(PixelsOf(image, kBluePx, QRect(0, 52, 217, 1)), row52);
    EXPECT_EQ(PixelsOf(image, kBluePx, QRect(0, 152, 217, 1)), (test::PixelSet{{60, 152}}));
    ExpectPath(canvas, 50, 52, 60, 152);
    ExpectPath(canvas, 60, 152, 70, 52);
    // 40 + 100 down + 100 up + 130 pixels, less the four rows 148..151 where
    // the two flanks of the dip, a tenth of a pixel per row apart from x = 60,
    // round to the same pixel.
    EXPECT_EQ(PixelsOf(image, kBluePx).size(), 366u);
    for (int y = 148; y <= 151; ++y)
        EXPECT_EQ(PixelsOf(image, kBluePx, QRect(0, y, 217, 1)), (test::PixelSet{{60, y}})) << y;
    EXPECT_TRUE(PixelsOf(image, kBluePx, QRect(0, 0, 217, 52)).empty());
}

TEST(VectorPlot, ConstantVectorLiesOnTheBottomRow)
{
    Canvas canvas(217, 153);
    PlotVector(kBlue, Values({5, 5, 5}), canvas);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx), RectPixels(QRect(QPoint(72, 152), QPoint(215, 152))));
}

TEST(VectorPlot, SingleValueDrawsNothingButStillRepaints)
{
    Canvas canvas(217, 153);
    test::RepaintRecorder screen;
    screen.attach(canvas);
    PlotVector(kBlue, Values({42}), canvas);
    EXPECT_TRUE(PixelsOf(canvas.bitmap(), kBluePx).empty());
    EXPECT_EQ(screen.shown.size(), 2u);
    EXPECT_EQ(canvas.penColour(), kBlue);
}

TEST(VectorPlot, LeavesThePenInItsColourAndItsWidthAlone)
{
    Canvas canvas(217, 153);
    canvas.setBrushColour(cl3DLight);
    canvas.bitmap().fill(test::kGreenPx);
    const QImage before = canvas.bitmap().copy();
    test::RepaintRecorder screen;
    screen.attach(canvas);
    PlotVector(kRed, Values({2, 4, 6}), canvas);
    ASSERT_EQ(screen.shown.size(), 2u);
    EXPECT_EQ(screen.shown[0], before);
    EXPECT_EQ(screen.shown[1], canvas.bitmap());
    EXPECT_EQ(canvas.penColour(), kRed);
    EXPECT_EQ(canvas.penWidth(), 1);
    EXPECT_EQ(canvas.brushColour(), cl3DLight);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), test::kRedPx).size(), 144u);

    Canvas wide(217, 153);
    wide.setPenWidth(2);
    PlotVector(kBlue, Values({5, 5, 5}), wide);
    EXPECT_EQ(wide.penWidth(), 2);
    EXPECT_EQ(PixelsOf(wide.bitmap(), kBluePx), RectPixels(QRect(QPoint(71, 151), QPoint(215, 152))));
}

}  // namespace
}  // namespace zarudiv
