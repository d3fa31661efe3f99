// The canvas's pixel rules: lines without their end point, rectangles and
// ellipses without their right and bottom edges, square stamps for wide pens,
// clipping, and text on an opaque box.

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

#include "campaign/colours.h"
#include "plots/canvas.h"
#include "plots/canvas_font.h"
#include "plots/canvas_text.h"
#include "plots/raster.h"
#include "plots/resolve_colour.h"
#include "tests/plots/pixels.h"

namespace zarudiv {
namespace {

using test::At;
using test::kBlackPx;
using test::kBluePx;
using test::kRedPx;
using test::kWhitePx;
using test::PixelSet;
using test::PixelsOf;
using test::RectPixels;

TEST(CanvasBitmap, IsMadeWhiteOnFirstRequestInTheAreaSize)
{
    Canvas canvas(17, 9);
    EXPECT_FALSE(canvas.hasBitmap());
    const QImage& image = canvas.bitmap();
    EXPECT_TRUE(canvas.hasBitmap());
    EXPECT_EQ(image.width(), 17);
    EXPECT_EQ(image.height(), 9);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(PixelsOf(image, kWhitePx).size(), 17u * 9u);
}

TEST(CanvasBitmap, KeepsWhatWasDrawnAndStartsWithTheDefaultState)
{
    Canvas canvas(10, 10);
    EXPECT_EQ(canvas.penColour(), kBlack);
    EXPECT_EQ(canvas.penWidth(), 1);
    EXPECT_EQ(canvas.brushColour(), 0xFFFFFFu);
    canvas.moveTo(1, 1);
    canvas.lineTo(5, 1);  // drawing makes the bitmap
    EXPECT_TRUE(canvas.hasBitmap());
    const Canvas& constCanvas = canvas;
    EXPECT_EQ(constCanvas.bitmap().pixel(2, 1), kBlackPx);
}

TEST(ResolveColour, ReadsRedFromTheLowestByteAndResolvesSystemColours)
{
    struct Row {
        unsigned value;
        QRgb rgb;
    };
    const Row rows[] = {
        {0u, qRgb(0, 0, 0)},          {255u, qRgb(255, 0, 0)},
        {65280u, qRgb(0, 255, 0)},    {16711680u, qRgb(0, 0, 255)},
        {0x123456u, qRgb(0x56, 0x34, 0x12)}, {0xFF000008u, qRgb(0, 0, 0)},  // clWindowText
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResolveColour(row.value), row.rgb) << std::hex << row.value;

    // cl3DLight: a light neutral, neither white nor the colours drawn on it.
    const QRgb light = ResolveColour(cl3DLight);
    EXPECT_EQ(qRed(light), qGreen(light));
    EXPECT_EQ(qGreen(light), qBlue(light));
    EXPECT_GT(qRed(light), 190);
    EXPECT_LT(qRed(light), 255);
}

PixelSet DrawLine(int x1, int y1, int x2, int y2, int width = 1)
{
    Canvas canvas(40, 40);
    canvas.setPenWidth(width);
    canvas.moveTo(x1, y1);
    canvas.lineTo(x2, y2);
    EXPECT_EQ(canvas.penX(), x2);
    EXPECT_EQ(canvas.penY(), y2);
    return PixelsOf(canvas.bitmap(), kBlackPx);
}

TEST(CanvasLine, ExcludesItsEndPointInEveryDirection)
{
    struct Row {
        const char* name;
        int x1, y1, x2, y2;
        PixelSet expected;
    };
    const Row rows[] = {
        {"right", 2, 5, 7, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}},
        {"left", 7, 5, 2, 5, {{7, 5}, {6, 5}, {5, 5}, {4, 5}, {3, 5}}},
        {"down", 4, 1, 4, 4, {{4, 1}, {4, 2}, {4, 3}}},
        {"up", 4, 4, 4, 1, {{4, 4}, {4, 3}, {4, 2}}},
        {"down right", 2, 2, 6, 6, {{2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {"up left", 6, 6, 2, 2, {{6, 6}, {5, 5}, {4, 4}, {3, 3}}},
        {"up right", 2, 6, 5, 3, {{2, 6}, {3, 5}, {4, 4}}},
        {"down left", 5, 3, 2, 6, {{5, 3}, {4, 4}, {3, 5}}},
        // Slope 2/5: y = 0.4 x gives 0, 0.4, 0.8, 1.2, 1.6.
        {"shallow", 0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {"shallow back", 5, 2, 0, 0, {{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}}},
        {"steep", 10, 10, 12, 15, {{10, 10}, {10, 11}, {11, 12}, {11, 13}, {12, 14}}},
        {"steep back", 12, 15, 10, 10, {{12, 15}, {12, 14}, {11, 13}, {11, 12}, {10, 11}}},
        {"single step", 3, 3, 4, 3, {{3, 3}}},
        {"no length", 3, 3, 3, 3, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DrawLine(row.x1, row.y1, row.x2, row.y2), row.expected) << row.name;
}

// Any line: one pixel per step of the longer axis, the start in, the end out,
// each pixel within half a pixel of the true line, and the same pixels drawn
// backwards apart from the two end points.
TEST(CanvasLine, FollowsTheTrueLineAndIsTheSameBothWays)
{
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> coordinate(0, 39);
    for (int i = 0; i < 400; ++i) {
        const int x1 = coordinate(random);
        const int y1 = coordinate(random);
        const int x2 = coordinate(random);
        const int y2 = coordinate(random);
        if (x1 == x2 && y1 == y2)
            continue;
        const PixelSet forward = DrawLine(x1, y1, x2, y2);
        const PixelSet backward = DrawLine(x2, y2, x1, y1);
        const int dx = x2 - x1;
        const int dy = y2 - y1;
        const auto steps = static_cast<std::size_t>(std::max(std::abs(dx), std::abs(dy)));
        ASSERT_EQ(forward.size(), steps);
        EXPECT_TRUE(forward.count({x1, y1}));
        EXPECT_FALSE(forward.count({x2, y2}));
        for (const auto& [x, y] : forward) {
            // Distance along the shorter axis from the true line, times the longer span.
            const long off = std::abs(dx) >= std::abs(dy)
                                 ? std::labs(long{y - y1} * dx - long{x - x1} * dy) * 2
                                 : std::labs(long{x - x1} * dy - long{y - y1} * dx) * 2;
            EXPECT_LE(off, static_cast<long>(steps)) << x1 << ',' << y1 << " -> " << x2 << ',' << y2;
        }
        PixelSet expectedBack = forward;
        expectedBack.erase({x1, y1});
        expectedBack.insert({x2, y2});
        EXPECT_EQ(backward, expectedBack) << x1 << ',' << y1 << " -> " << x2 << ',' << y2;
    }
}

TEST(CanvasLine, WidePensStampASquareAboveAndLeftOfEachPixel)
{
    // Width 2: the pixel and the one to its left and above.
    EXPECT_EQ(DrawLine(2, 5, 6, 5, 2), RectPixels(QRect(QPoint(1, 4), QPoint(5, 5))));
    // Width 4: two to the left and above, one to the right and below; the end
    // row 15 is excluded, so stamps at rows 20..16 cover rows 14..21.
    EXPECT_EQ(DrawLine(10, 20, 10, 15, 4), RectPixels(QRect(QPoint(8, 14), QPoint(11, 21))));
}

// A line is the union of its pixels' stamps, however it is drawn: rows and
// columns are filled as boxes, so they are checked against stamping pixel by
// pixel, clipped at every edge, for every pen width and both directions.
TEST(CanvasLine, RowsAndColumnsAreTheUnionOfTheirStamps)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-6, 25);
    std::uniform_int_distribution<int> width(0, 5);
    for (int i = 0; i < 2000; ++i) {
        const int pen = width(random);
        const int fixed = coordinate(random);
        const int from = coordinate(random);
        const int to = coordinate(random);
        const bool row = i % 2 == 0;
        const int x1 = row ? from : fixed;
        const int y1 = row ? fixed : from;
        const int x2 = row ? to : fixed;
        const int y2 = row ? fixed : to;

        QImage drawn(20, 14, QImage::Format_RGB32);
        drawn.fill(kWhitePx);
        raster::Line(drawn, x1, y1, x2, y2, pen, kRedPx);

        QImage stamped(20, 14, QImage::Format_RGB32);
        stamped.fill(kWhitePx);
        const int step = to > from ? 1 : -1;
        for (int m = from; m != to; m += step)
            raster::Stamp(stamped, row ? m : fixed, row ? fixed : m, pen, kRedPx);
        ASSERT_EQ(drawn, stamped) << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") pen "
                                  << pen;
    }
}

TEST(CanvasLine, IsClippedToTheBitmap)
{
    Canvas canvas(20, 10);
    canvas.moveTo(-10, 3);
    canvas.lineTo(30, 3);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBlackPx), RectPixels(QRect(0, 3, 20, 1)));

    // Far outside on both ends: still the one visible row, nothing more.
    Canvas far(20, 10);
    far.moveTo(-2000000000, 5);
    far.lineTo(2000000000, 5);
    far.moveTo(5, -2000000000);
    far.lineTo(5, -1000000000);  // entirely above
    EXPECT_EQ(PixelsOf(far.bitmap(), kBlackPx), RectPixels(QRect(0, 5, 20, 1)));
}

TEST(CanvasRectangle, OutlinesColumnsX1AndX2Minus1AndRowsY1AndY2Minus1)
{
    for (const bool reversed : {false, true}) {
        Canvas canvas(12, 10);
        canvas.setPenColour(kRed);
        canvas.setBrushColour(kBlue);
        if (reversed)
            canvas.rectangle(8, 7, 2, 3);
        else
            canvas.rectangle(2, 3, 8, 7);
        const QRect box(QPoint(2, 3), QPoint(7, 6));
        const PixelSet inside = RectPixels(QRect(QPoint(3, 4), QPoint(6, 5)));
        EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx), inside);
        EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), test::Without(RectPixels(box), inside));
        EXPECT_EQ(PixelsOf(canvas.bitmap(), kWhitePx).size(), 12u * 10u - 24u);
    }
}

// A rectangle is its box filled with the brush and the stamps of its edge
// pixels in the pen: the edges are filled as bands, so they are checked
// against stamping pixel by pixel, for every pen width, clipped.
TEST(CanvasRectangle, EdgesAreTheUnionOfTheirStamps)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> coordinate(-6, 25);
    std::uniform_int_distribution<int> width(0, 5);
    for (int i = 0; i < 2000; ++i) {
        const int pen = width(random);
        const int x1 = coordinate(random), y1 = coordinate(random);
        const int x2 = coordinate(random), y2 = coordinate(random);
        QImage drawn(20, 14, QImage::Format_RGB32);
        drawn.fill(kWhitePx);
        raster::Rectangle(drawn, x1, y1, x2, y2, pen, kRedPx, kBluePx);

        QImage stamped(20, 14, QImage::Format_RGB32);
        stamped.fill(kWhitePx);
        const int left = std::min(x1, x2), right = std::max(x1, x2);
        const int top = std::min(y1, y2), bottom = std::max(y1, y2);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                raster::PutPixel(stamped, x, y, kBluePx);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (x == left || x == right - 1 || y == top || y == bottom - 1)
                    raster::Stamp(stamped, x, y, pen, kRedPx);
        ASSERT_EQ(drawn, stamped) << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") pen "
                                  << pen;
    }
}

TEST(CanvasRectangle, WidePenFramesBothSidesOfTheEdge)
{
    Canvas canvas(20, 16);
    canvas.setPenWidth(2);
    canvas.setBrushColour(kBlue);
    canvas.rectangle(1, 1, 20, 16);
    // Edges at columns 1 and 19, rows 1 and 15; a stamp of 2 adds the pixel
    // to the left and above, so the frame covers columns 0, 1, 18, 19 and rows 0, 1, 14, 15.
    const PixelSet inside = RectPixels(QRect(QPoint(2, 2), QPoint(17, 13)));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx), inside);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBlackPx), test::Without(RectPixels(QRect(0, 0, 20, 16)), inside));
}

TEST(CanvasEllipse, IsInscribedInTheBoxWithoutItsRightAndBottomEdges)
{
    // An 8 x 6 box: the pixel centres inside the ellipse give rows of 4, 6, 8, 8, 6, 4 pixels.
    Canvas canvas(12, 10);
    canvas.setPenColour(kRed);
    canvas.setBrushColour(kBlue);
    canvas.ellipse(2, 1, 10, 7);
    const PixelSet outline = {{4, 1}, {5, 1}, {6, 1}, {7, 1}, {3, 2},  {8, 2},
                              {2, 3}, {9, 3}, {2, 4}, {9, 4}, {3, 5},  {8, 5},
                              {4, 6}, {5, 6}, {6, 6}, {7, 6}};
    PixelSet inside;
    for (int x = 4; x <= 7; ++x)
        inside.insert({x, 2}), inside.insert({x, 5});
    for (int x = 3; x <= 8; ++x)
        inside.insert({x, 3}), inside.insert({x, 4});
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx), outline);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx), inside);
}

TEST(CanvasEllipse, SmallCirclesAreFourAndTwoPixelsAcross)
{
    Canvas canvas(10, 10);
    canvas.setBrushColour(kBlue);
    canvas.ellipse(2, 2, 6, 6);
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBlackPx),
              (PixelSet{{3, 2}, {4, 2}, {2, 3}, {5, 3}, {2, 4}, {5, 4}, {3, 5}, {4, 5}}));
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kBluePx), (PixelSet{{3, 3}, {4, 3}, {3, 4}, {4, 4}}));

    Canvas marker(10, 10);
    marker.setPenColour(kRed);
    marker.ellipse(6, 6, 8, 8);  // all four pixels are edge pixels
    EXPECT_EQ(PixelsOf(marker.bitmap(), kRedPx), RectPixels(QRect(6, 6, 2, 2)));
    EXPECT_EQ(PixelsOf(marker.bitmap(), kWhitePx).size(), 96u);
}

TEST(CanvasText, StandsOnAnOpaqueBrushBoxAndMovesThePositionToItsRightEnd)
{
    const QString text = QStringLiteral("Funktionsaufrufe");
    const QRect box = test::TextBox(7, 5, text);
    const int width = box.width();
    ASSERT_GT(width, 0);

    Canvas canvas(box.right() + 10, box.bottom() + 10);
    canvas.setBrushColour(kRed);
    canvas.setPenColour(kBlue);  // the pen plays no part in text
    canvas.moveTo(0, 0);
    canvas.textOut(box.left(), box.top(), text);
    EXPECT_EQ(canvas.penX(), box.left() + width);
    EXPECT_EQ(canvas.penY(), box.top());

    const QImage& image = canvas.bitmap();
    const PixelSet red = PixelsOf(image, kRedPx);
    const PixelSet black = PixelsOf(image, kBlackPx);
    // Only brush and black text, no blended pixels, all inside the box.
    PixelSet both = red;
    both.insert(black.begin(), black.end());
    EXPECT_EQ(both, RectPixels(box));
    EXPECT_GT(black.size(), 30u);
    // The text lies fully inside its box: the box's top row is free of ink.
    EXPECT_EQ(PixelsOf(image, kRedPx, QRect(box.left(), box.top(), width, 1)).size(),
              static_cast<std::size_t>(width));
}

TEST(CanvasText, IsClippedAndEmptyTextDrawsNothing)
{
    Canvas canvas(20, 8);
    canvas.setBrushColour(kRed);
    canvas.textOut(-30, -4, QStringLiteral("Funktionsaufrufe"));
    EXPECT_EQ(canvas.penX(), -30 + QFontMetrics(CanvasFont()).horizontalAdvance(QStringLiteral("Funktionsaufrufe")));
    // The box reaches over the whole bitmap: brush and ink only.
    EXPECT_EQ(PixelsOf(canvas.bitmap(), kRedPx).size() + PixelsOf(canvas.bitmap(), kBlackPx).size(), 160u);
    EXPECT_FALSE(PixelsOf(canvas.bitmap(), kBlackPx).empty());

    Canvas empty(20, 8);
    empty.setBrushColour(kRed);
    empty.textOut(3, 2, QString());
    EXPECT_EQ(empty.penX(), 3);
    EXPECT_EQ(PixelsOf(empty.bitmap(), kWhitePx).size(), 160u);
}

// Text is drawn by the toolkit once and stamped afterwards: the stamp must
// set exactly the pixels the toolkit sets, wherever the text stands, over any
// background, clipped at every edge.
TEST(CanvasText, AStampedTextIsWhatTheToolkitDraws)
{
    const QString texts[] = {QStringLiteral("AKTIVATOR"), QStringLiteral("INHIBITOR "),
                             QStringLiteral("Funktionsaufrufe"), QStringLiteral("Q"),
                             QStringLiteral("  "), QStringLiteral(" totale Qualitaet "),
                             QStringLiteral("gÄjy_|(Qp)"), QString()};
    const QPoint places[] = {{10, 20}, {0, 0}, {-7, 3}, {150, 40}, {30, -6}, {100, 118}, {-40, -10}};
    std::mt19937 random(3);
    for (const QString& text : texts) {
        const TextStamp& stamp = CanvasTextStamp(text);
        ASSERT_TRUE(stamp.exact) << text.toStdString();
        for (const QPoint& at : places) {
            QImage background(160, 124, QImage::Format_RGB32);
            for (int y = 0; y < background.height(); ++y)
                for (int x = 0; x < background.width(); ++x)
                    background.setPixel(x, y, qRgb(static_cast<int>(random() % 256), 200, 90));
            QImage stamped = background.copy();
            QImage drawn = background.copy();
            StampText(stamped, at.x(), at.y(), stamp, qRgb(227, 227, 227));
            DrawTextDirectly(drawn, at.x(), at.y(), text, qRgb(227, 227, 227));
            ASSERT_EQ(stamped, drawn) << text.toStdString() << " at " << at.x() << "," << at.y();
        }
    }
}

TEST(CanvasFont, TahomaCellIsElevenAboveTheBaselineAndTwoBelow)
{
    if (!QFile::exists(QString::fromLatin1(kCanvasFontFile)))
        GTEST_SKIP() << kCanvasFontFile << " is not installed";
    EXPECT_EQ(QFontInfo(CanvasFont()).family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(QFontInfo(CanvasFont()).pixelSize(), 11);
    // usWinAscent 2049 and usWinDescent 423 of 2048 units at 11 pixels per em.
    EXPECT_EQ(CanvasTextCell().ascent, 11);
    EXPECT_EQ(CanvasTextCell().descent, 2);
    EXPECT_EQ(CanvasTextCell().height(), 13);
}

TEST(CanvasRepaint, CallsTheHandlerWhereOneIsSet)
{
    Canvas canvas(4, 4);
    canvas.repaint();  // no screen: nothing happens
    int calls = 0;
    canvas.setRepaintHandler([&calls] { ++calls; });
    canvas.repaint();
    canvas.repaint();
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace zarudiv
