// The spectrum plot: one bar per coefficient, red for positive, green
// otherwise, its length the coefficient's place between the smallest and the
// largest. Bars are drawn with a pen 4 wide, whose stamp covers two columns
// to the left of the bar's x and one to the right, and rows y - 2 .. y + 1 of
// every pixel of the bar's path (the path runs from row CH - 2 towards row
// CH + 3 - h, that end excluded).

#include <gtest/gtest.h>

#include "campaign/colours.h"
#include "plots/spectrum_plot.h"
#include "tests/plots/pixels.h"
#include "tests/plots/test_vectors.h"

namespace zarudiv {
namespace {

using test::kGreenPx;
using test::kRedPx;
using test::PixelSet;
using test::PixelsOf;
using test::RectPixels;
using test::Values;

// The visible part of a bar at x whose path covers rows first..last.
PixelSet Bar(int x, int first, int last, const QRect& bitmap)
{
    return RectPixels(QRect(QPoint(x - 2, first - 2), QPoint(x + 1, last + 1)) & bitmap);
}

PixelSet Union(PixelSet a, const PixelSet& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

TEST(SpectrumPlot, WorkedExampleOnA169By129Image)
{
    // (3, -1, 2, -4): dx = 42, h = (100, 43, 86, 0).
    Canvas canvas(169, 129);
    PlotSpectrum(Values({3, -1, 2, -4}), canvas);
    const QRect all(0, 0, 169, 129);
    // x = 42 from row 127 up to row 32 (excluded), red; x = 126 up to row 46, red.
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), Union(Bar(42, 33, 127, all), Bar(126, 47, 127, all)));
    // x = 84 up to row 89, green; x = 168 down to row 132: a stub at the bottom right.
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kGreenPx), Union(Bar(84, 90, 127, all), Bar(168, 127, 131, all)));
}

TEST(SpectrumPlot, ConstantVectorDrawsOnlyStubsInTheColourOfItsSign)
{
    const struct {
        long double value;
        QRgb colour;
    } rows[] = {{7, kRedPx}, {-2, kGreenPx}, {0, kGreenPx}};
    for (const auto& row : rows) {
        Canvas canvas(169, 129);
        PlotSpectrum(Values({row.value, row.value, row.value, row.value, row.value}), canvas);
        const QRect all(0, 0, 169, 129);
        PixelSet stubs;
        for (int k = 1; k <= 5; ++k)
            stubs = Union(stubs, Bar(33 * k, 127, 131, all));  // every value scales to 0
        EXPECT_EQ(PixelsOf(canvas.bitmap(), row.colour), stubs) << static_cast<double>(row.value);
        EXPECT_EQ(PixelsOf(canvas.bitmap(), row.colour == kRedPx ? kGreenPx : kRedPx).size(), 0u);
    }
}

TEST(SpectrumPlot, ZeroIsGreenAndASingleBarStandsOnTheRightEdge)
{
    Canvas canvas(169, 129);
    PlotSpectrum(Values({0, 1}), canvas);  // dx = 84
    const QRect all(0, 0, 169, 129);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kGreenPx), Bar(84, 127, 131, all));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), Bar(168, 33, 127, all));

    Canvas single(169, 129);
    PlotSpectrum(Values({5}), single);  // dx = 169: x = CW, just right of the bitmap
    EXPECT_EQ(PixelsOf(single.bitmap(), kRedPx), RectPixels(QRect(QPoint(167, 125), QPoint(168, 128))));
}

TEST(SpectrumPlot, TwentyBarsEightApartOnTheCampaignsImage)
{
    TVector v;
    v[0] = 20;
    for (int k = 1; k <= 20; ++k)
        v[k] = k;
    Canvas canvas(169, 129);
    PlotSpectrum(v, canvas);
    const QImage& image = canvas.bitmap();
    // v[k] = k scales to (k - 1) * 99.99 / 19: bar 20 reaches up to row 32
    // (h = 100), bar 2 has h = 5 and thus no length at all.
    for (int k = 1; k <= 20; ++k) {
        const int x = 8 * k;
        const int h = static_cast<int>(std::lround((k - 1) * 99.99 / 19.0));
        SCOPED_TRACE(k);
        if (h == 5) {
            EXPECT_TRUE(PixelsOf(image, kRedPx, QRect(x, 0, 1, 129)).empty());
            continue;
        }
        EXPECT_EQ(image.pixel(x, 127), kRedPx);
        const int top = h > 5 ? 129 + 3 - h + 1 : 127;  // the path's top pixel
        EXPECT_EQ(PixelsOf(image, kRedPx, QRect(x, 0, 1, 129)).begin()->second, top - 2);
    }
    EXPECT_TRUE(PixelsOf(image, kRedPx, QRect(0, 0, 169, 31)).empty());
}

TEST(SpectrumPlot, RepaintsBeforeAndAfterAndLeavesABlackOnePixelPen)
{
    Canvas canvas(169, 129);
    canvas.setBrushColour(cl3DLight);
    canvas.bitmap().fill(test::kBluePx);
    const QImage before = canvas.bitmap().copy();
    test::RepaintRecorder screen;
    screen.attach(canvas);
    PlotSpectrum(Values({3, -1, 2, -4}), canvas);
    ASSERT_EQ(screen.shown.size(), 2u);
    EXPECT_EQ(screen.shown[0], before);
    EXPECT_EQ(screen.shown[1], canvas.bitmap());
    EXPECT_EQ(canvas.penColour(), kBlack);
    EXPECT_EQ(canvas.penWidth(), 1);
    EXPECT_EQ(canvas.brushColour(), cl3DLight);
}

}  // namespace
}  // namespace zarudiv
