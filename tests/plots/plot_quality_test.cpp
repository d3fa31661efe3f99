// The quality diagram on Image1 (225 x 289): the empty diagram of mode 100
// and the markers of mode 200.

#include <QFontMetrics>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "campaign/colours.h"
#include "plots/canvas_font.h"
#include "plots/plot_quality.h"
#include "plots/resolve_colour.h"
#include "tests/plots/pixels.h"

namespace zarudiv {
namespace {

using test::kBlackPx;
using test::kRedPx;
using test::kWhitePx;
using test::PixelSet;
using test::PixelsOf;
using test::RectPixels;

constexpr int kW = 225;
constexpr int kH = 289;

void NewDiagram(Canvas& image, const std::string& caption = " totale Qualitaet ")
{
    PlotQuality(100, image, caption, 0, 0, 0, 0, 0, 0, 0, 0);
}

// The driver's call for generation point (X, Y).
void AddPoint(Canvas& image, double xMax, double x, double y, double colour = 255.0,
              const std::string& caption = "  ")
{
    PlotQuality(200, image, caption, 1.0, xMax, 0.0, 200.0, x, y, 0.0, colour);
}

PixelSet Marker(int px, int py) { return RectPixels(QRect(px - 1, py - 1, 2, 2)); }

// The label as the canvas draws it on white, compared inside its box.
void ExpectLabel(Canvas& diagram, int x, int y, const QString& text)
{
    Canvas reference(kW, kH);
    reference.textOut(x, y, text);
    const QRect box = test::TextBox(x, y, text);
    EXPECT_EQ(diagram.bitmap().copy(box), reference.bitmap().copy(box)) << text.toStdString();
    EXPECT_FALSE(PixelsOf(reference.bitmap(), kBlackPx, box).empty());
}

TEST(QualityDiagram, FrameIsTwoPixelsWideAndFillsWhite)
{
    Canvas image(kW, kH);
    image.bitmap().fill(test::kGreenPx);
    NewDiagram(image);
    const QImage& bitmap = image.bitmap();
    for (int x = 0; x < kW; ++x)
        for (const int y : {0, 1, kH - 2, kH - 1})
            ASSERT_EQ(bitmap.pixel(x, y), kBlackPx) << x << ',' << y;
    for (int y = 0; y < kH; ++y)
        for (const int x : {0, 1, kW - 2, kW - 1})
            ASSERT_EQ(bitmap.pixel(x, y), kBlackPx) << x << ',' << y;
    EXPECT_TRUE(PixelsOf(bitmap, test::kGreenPx).empty());
    EXPECT_EQ(bitmap.pixel(100, 2), kWhitePx);
    EXPECT_EQ(bitmap.pixel(2, 100), kWhitePx);
    EXPECT_EQ(bitmap.pixel(kW - 3, 100), kWhitePx);
}

TEST(QualityDiagram, ArrowHeadsAreOpenTrianglesAtTheAxisEnds)
{
    Canvas image(kW, kH);
    NewDiagram(image);
    // Direction 3 at (215, 279): P1 (215, 281), tip (220, 279), P3 (215, 277).
    const PixelSet right = {{215, 281}, {216, 281}, {217, 280}, {218, 280}, {219, 279},  // P1 -> tip
                            {220, 279}, {218, 278}, {217, 278}, {216, 277},              // tip -> P3
                            {215, 277}, {215, 278}, {215, 279}, {215, 280}};             // P3 -> P1
    EXPECT_EQ(PixelsOf(image.bitmap(), kBlackPx, QRect(QPoint(215, 274), QPoint(222, 284))), right);
    // Direction 12 at (11, 11): P1 (9, 11), tip (11, 6), P3 (13, 11).
    const PixelSet up = {{9, 11},  {9, 10},  {10, 9},  {10, 8},  {11, 7},   // P1 -> tip
                         {11, 6},  {12, 8},  {12, 9},  {13, 10},           // tip -> P3
                         {13, 11}, {12, 11}, {11, 11}, {10, 11}};          // P3 -> P1
    EXPECT_EQ(PixelsOf(image.bitmap(), kBlackPx, QRect(QPoint(4, 3), QPoint(18, 11))), up);
}

TEST(QualityDiagram, OriginCircleIsFilledWithTheWhiteBrush)
{
    Canvas image(kW, kH);
    NewDiagram(image);
    // Ellipse (9, 277, 13, 281): four pixels across; the axes end in it.
    const PixelSet circle = {{10, 277}, {11, 277}, {9, 278},  {12, 278},
                             {9, 279},  {12, 279}, {10, 280}, {11, 280}};
    PixelSet black = circle;
    black.insert({11, 276});  // y axis
    black.insert({13, 279});  // x axis
    EXPECT_EQ(PixelsOf(image.bitmap(), kBlackPx, QRect(QPoint(7, 276), QPoint(13, 282))), black);
    EXPECT_EQ(PixelsOf(image.bitmap(), kWhitePx, QRect(10, 278, 2, 2)), RectPixels(QRect(10, 278, 2, 2)));
}

TEST(QualityDiagram, AxesAndLabelsStandWhereTheGeometrySays)
{
    Canvas image(kW, kH);
    NewDiagram(image);
    const QImage& bitmap = image.bitmap();
    const QRect xLabel = test::TextBox(115, 274, QStringLiteral("Funktionsaufrufe"));
    const QRect yLabel = test::TextBox(11, 21, QStringLiteral("Q"));
    ASSERT_LT(xLabel.right(), 214);
    ExpectLabel(image, 115, 274, QStringLiteral("Funktionsaufrufe"));
    ExpectLabel(image, 11, 21, QStringLiteral("Q"));

    // The x axis runs on row 279 up to the arrow head, broken by the label's box.
    for (int x = 12; x < 215; ++x)
        if (x < xLabel.left() || x > xLabel.right()) {
            EXPECT_EQ(bitmap.pixel(x, 279), kBlackPx) << x;
        }
    // The y axis runs on column 11 up to the arrow head, broken by the "Q" box.
    for (int y = 12; y < 277; ++y)
        if (y < yLabel.top() || y > yLabel.bottom()) {
            EXPECT_EQ(bitmap.pixel(11, y), kBlackPx) << y;
        }
    EXPECT_EQ(bitmap.pixel(11, 21), kWhitePx);
    // Nothing else is drawn between the axes.
    EXPECT_TRUE(test::Without(PixelsOf(bitmap, kBlackPx, QRect(QPoint(14, 12), QPoint(214, 272))),
                              RectPixels(yLabel))
                    .empty());
}

TEST(QualityDiagram, IgnoresItsCaptionAndLeavesABlackOnePixelPen)
{
    Canvas withCaption(kW, kH);
    Canvas without(kW, kH);
    test::RepaintRecorder screen;
    screen.attach(withCaption);
    withCaption.setPenColour(kRed);
    withCaption.setPenWidth(3);
    PlotQuality(100, withCaption, " totale Qualitaet ", 1, 2, 3, 4, 5, 6, 7, 8);
    NewDiagram(without, "");
    EXPECT_EQ(withCaption.bitmap(), without.bitmap());
    EXPECT_TRUE(PixelsOf(withCaption.bitmap(), kBlackPx, test::TextBox(61, 11, QStringLiteral(" totale Qualitaet "))).empty());
    EXPECT_EQ(withCaption.penColour(), kBlack);
    EXPECT_EQ(withCaption.penWidth(), 1);
    EXPECT_EQ(withCaption.brushColour(), 0xFFFFFFu);
    // One repaint, before drawing: the screen still shows the fresh bitmap.
    ASSERT_EQ(screen.shown.size(), 1u);
    EXPECT_EQ(PixelsOf(screen.shown[0], kWhitePx).size(), static_cast<std::size_t>(kW * kH));
}

TEST(QualityDiagram, NewDiagramWipesEarlierMarkers)
{
    Canvas image(kW, kH);
    NewDiagram(image);
    AddPoint(image, 10, 5, 100);
    ASSERT_FALSE(PixelsOf(image.bitmap(), kRedPx).empty());
    NewDiagram(image);
    EXPECT_TRUE(PixelsOf(image.bitmap(), kRedPx).empty());
}

TEST(QualityPoint, ColumnsForTenAndForEightGenerations)
{
    const struct {
        double xMax;
        std::vector<int> columns;
    } rows[] = {
        {10, {31, 52, 72, 93, 113, 133, 154, 174, 195, 215}},
        // 25.5 -> 26, 76.5 -> 76, 127.5 -> 128, 178.5 -> 178.
        {8, {37, 62, 87, 113, 139, 164, 189, 215}},
    };
    for (const auto& row : rows) {
        for (std::size_t g = 1; g <= row.columns.size(); ++g) {
            Canvas image(kW, kH);
            AddPoint(image, row.xMax, static_cast<double>(g), 100);  // Y = 100 lies on row 145
            EXPECT_EQ(PixelsOf(image.bitmap(), kRedPx), Marker(row.columns[g - 1], 145))
                << "XMax " << row.xMax << ", generation " << g;
        }
    }
}

TEST(QualityPoint, RowsForQualitiesOnTheAxisFrom0To200)
{
    const struct {
        double y;
        int row;
    } rows[] = {{0, 279}, {50, 212}, {100, 145}, {150, 78}, {200, 11}, {208, 0}};
    for (const auto& row : rows) {
        Canvas image(kW, kH);
        AddPoint(image, 10, 5, row.y);  // X = 5 of 10 lies on column 113
        EXPECT_EQ(PixelsOf(image.bitmap(), kRedPx), test::Without(Marker(113, row.row), RectPixels(QRect(0, -2, kW, 2))))
            << "Y = " << row.y;
    }
}

TEST(QualityPoint, AboveTheVisibleRangeLeavesOnlyTheCaptionBox)
{
    for (const double y : {209.0, 210.0, 10000000.0}) {
        Canvas image(kW, kH);
        image.bitmap().fill(test::kGreenPx);
        AddPoint(image, 10, 3, y);
        EXPECT_TRUE(PixelsOf(image.bitmap(), kRedPx).empty()) << y;
        // The two-blank caption: a white box at (61, 11) and nothing else.
        EXPECT_EQ(PixelsOf(image.bitmap(), kWhitePx), RectPixels(test::TextBox(61, 11, QStringLiteral("  ")))) << y;
    }
}

TEST(QualityPoint, CaptionBoxErasesAMarkerUnderIt)
{
    Canvas image(kW, kH);
    AddPoint(image, 10, 2.5, 200);  // marker at columns 61..62, rows 10..11
    EXPECT_EQ(PixelsOf(image.bitmap(), kRedPx), (PixelSet{{61, 10}, {62, 10}}));
}

TEST(QualityPoint, MarkersOfAllGenerationsStayOnTheDiagram)
{
    Canvas image(kW, kH);
    NewDiagram(image);
    const QImage diagram = image.bitmap().copy();
    test::RepaintRecorder screen;
    screen.attach(image);
    const int columns[] = {31, 52, 72, 93, 113, 133, 154, 174, 195, 215};
    PixelSet expected;
    for (int g = 1; g <= 10; ++g) {
        const double q = 200.0 - 16.0 * g;  // the best Q never rises
        AddPoint(image, 10, g, q);
        const PixelSet marker = Marker(columns[g - 1], 279 - static_cast<int>(std::lround(268.0 * q / 200.0)));
        expected.insert(marker.begin(), marker.end());
    }
    EXPECT_EQ(PixelsOf(image.bitmap(), kRedPx), expected);
    // Each point repaints once, before drawing: the screen lags one marker behind.
    ASSERT_EQ(screen.shown.size(), 10u);
    EXPECT_EQ(screen.shown[0], diagram);
    EXPECT_EQ(PixelsOf(screen.shown[9], kRedPx).size(), 36u);
    EXPECT_EQ(image.penColour(), 255u);
    EXPECT_EQ(image.penWidth(), 1);
    EXPECT_EQ(image.brushColour(), 0xFFFFFFu);
}

TEST(QualityPoint, ColourIsTheNearestIntegerHalvesToEven)
{
    const struct {
        double colour;
        unsigned pen;
    } rows[] = {{255.0, 255u}, {254.5, 254u}, {255.5, 256u}, {16711680.0, 16711680u}, {65279.6, 65280u}};
    for (const auto& row : rows) {
        Canvas image(kW, kH);
        AddPoint(image, 10, 5, 100, row.colour);
        EXPECT_EQ(image.penColour(), row.pen) << row.colour;
        EXPECT_EQ(image.bitmap().pixel(113, 145), ResolveColour(row.pen)) << row.colour;
    }
}

TEST(QualityPoint, FollowsTheSizeOfTheImageArea)
{
    Canvas image(100, 60);  // x0 = 11, x1 = 90, y0 = 11, y1 = 50
    PlotQuality(200, image, "", 0, 4, 0, 2, 4, 0, 0, 255);
    EXPECT_EQ(PixelsOf(image.bitmap(), kRedPx), Marker(90, 50));
}

TEST(QualityPoint, ZeroMaximumLeavesNoMarkerButTheCaption)
{
    Canvas image(kW, kH);
    image.bitmap().fill(test::kGreenPx);
    PlotQuality(200, image, "  ", 1, 0, 0, 200, 3, 50, 0, 255);
    PlotQuality(200, image, "  ", 1, 10, 0, 0, 3, 50, 0, 255);
    EXPECT_TRUE(PixelsOf(image.bitmap(), kRedPx).empty());
    EXPECT_EQ(PixelsOf(image.bitmap(), kWhitePx), RectPixels(test::TextBox(61, 11, QStringLiteral("  "))));
}

TEST(QualityPoint, CaptionIsCutTo250Characters)
{
    Canvas wide(4000, 60);
    const QFontMetrics metrics(CanvasFont());
    PlotQuality(200, wide, std::string(300, 'l'), 0, 1, 0, 1, 0, 0, 0, 0);
    EXPECT_EQ(wide.penX(), 61 + metrics.horizontalAdvance(QString(250, QLatin1Char('l'))));
    PlotQuality(200, wide, std::string(250, 'W'), 0, 1, 0, 1, 0, 0, 0, 0);
    EXPECT_EQ(wide.penX(), 61 + metrics.horizontalAdvance(QString(250, QLatin1Char('W'))));
    // Characters, not bytes: an umlaut takes two bytes of UTF-8 and counts once.
    std::string umlauts;
    for (int i = 0; i < 260; ++i)
        umlauts += "\xC3\xA4";
    PlotQuality(200, wide, umlauts, 0, 1, 0, 1, 0, 0, 0, 0);
    EXPECT_EQ(wide.penX(), 61 + metrics.horizontalAdvance(QString(250, QChar(0xE4))));
}

TEST(QualityPlot, OtherModesDrawNothing)
{
    for (const int mode : {0, 99, 101, 150, 199, 201, 300, -100}) {
        Canvas image(kW, kH);
        NewDiagram(image);
        const QImage before = image.bitmap().copy();
        image.setPenColour(kGreen);
        int repaints = 0;
        image.setRepaintHandler([&repaints] { ++repaints; });
        PlotQuality(mode, image, "  ", 1, 10, 0, 200, 5, 100, 0, 255);
        EXPECT_EQ(image.bitmap(), before) << mode;
        EXPECT_EQ(repaints, 0) << mode;
        EXPECT_EQ(image.penColour(), kGreen) << mode;
    }
}

}  // namespace
}  // namespace zarudiv
