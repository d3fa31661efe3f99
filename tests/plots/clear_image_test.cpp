// Clearing an image area: a cl3DLight fill inside a one-pixel frame in the
// colour of whatever pen the last plot left, with row 0 and column 0 untouched.

#include <functional>
#include <gtest/gtest.h>

#include "campaign/colours.h"
#include "plots/clear_image.h"
#include "plots/diffusion_law_plot.h"
#include "plots/resolve_colour.h"
#include "plots/spectrum_plot.h"
#include "plots/vector_plot.h"
#include "tests/plots/pixels.h"
#include "tests/plots/test_vectors.h"

namespace zarudiv {
namespace {

using test::PixelsOf;
using test::RectPixels;

using test::Values;

// Checks the frame (columns 1 and w-1, rows 1 and h-1) and the fill inside it.
void ExpectCleared(Canvas& canvas, QRgb frame)
{
    const QImage& image = canvas.bitmap();
    const int w = canvas.width();
    const int h = canvas.height();
    const QRect inner(QPoint(2, 2), QPoint(w - 2, h - 2));
    EXPECT_EQ(PixelsOf(image, ResolveColour(cl3DLight), QRect(0, 0, w, h)), RectPixels(inner));
    EXPECT_EQ(PixelsOf(image, frame, QRect(QPoint(1, 1), QPoint(w - 1, h - 1))),
              test::Without(RectPixels(QRect(QPoint(1, 1), QPoint(w - 1, h - 1))), RectPixels(inner)));
}

TEST(ClearImage, OnAFreshCanvasDrawsABlackFrameAroundTheFill)
{
    Canvas canvas(30, 20);
    ClearImage(cl3DLight, canvas);
    ExpectCleared(canvas, test::kBlackPx);
    EXPECT_EQ(canvas.brushColour(), cl3DLight);
    EXPECT_EQ(canvas.penColour(), kBlack);
    // Row 0 and column 0 keep the fresh bitmap's white.
    EXPECT_EQ(PixelsOf(canvas.bitmap(), test::kWhitePx).size(), 30u + 19u);
}

TEST(ClearImage, LeavesRowZeroAndColumnZeroAsTheyWere)
{
    Canvas canvas(30, 20);
    canvas.bitmap().fill(test::kGreenPx);
    ClearImage(cl3DLight, canvas);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), test::kGreenPx),
              test::Without(RectPixels(QRect(0, 0, 30, 20)), RectPixels(QRect(1, 1, 29, 19))));
}

TEST(ClearImage, RepaintsBeforeItClears)
{
    Canvas canvas(30, 20);
    canvas.bitmap().fill(test::kGreenPx);
    const QImage before = canvas.bitmap().copy();
    test::RepaintRecorder screen;
    screen.attach(canvas);
    ClearImage(cl3DLight, canvas);
    ASSERT_EQ(screen.shown.size(), 1u);
    EXPECT_EQ(screen.shown[0], before);
}

// The frame of a clear follows the pen that the previous plot left behind.
TEST(ClearImage, FrameTakesThePenOfThePreviousPlot)
{
    struct Row {
        const char* plot;
        std::function<void(Canvas&)> draw;
        QRgb frame;
    };
    const TVector v = Values({3, -1, 2, -4});
    const Row rows[] = {
        {"nothing", [](Canvas&) {}, test::kBlackPx},
        {"diffusion law",
         [&v](Canvas& c) {
             Generator gen(7);
             PlotDiffusionLaw(v, c, gen);
         },
         test::kBlackPx},
        {"spectrum", [&v](Canvas& c) { PlotSpectrum(v, c); }, test::kBlackPx},
        {"vector in blue", [&v](Canvas& c) { PlotVector(kBlue, v, c); }, test::kBluePx},
        {"vector in red", [&v](Canvas& c) { PlotVector(kRed, v, c); }, test::kRedPx},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.plot);
        Canvas canvas(153, 129);
        ClearImage(cl3DLight, canvas);
        row.draw(canvas);
        ClearImage(cl3DLight, canvas);
        ExpectCleared(canvas, row.frame);
    }
}

}  // namespace
}  // namespace zarudiv
