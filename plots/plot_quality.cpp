#include "plots/plot_quality.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <optional>

#include "campaign/colours.h"
#include "evolution/tvector.h"
#include "plots/arrow_head.h"

namespace zarudiv {

namespace {

// The axes lie 10 pixels inside the frame on every side.
struct DiagramGeometry {
    int x0;
    int y0;
    int x1;
    int y1;
    int xr() const { return x1 - x0; }
    int yr() const { return y1 - y0; }
};

DiagramGeometry GeometryOf(const Canvas& image)
{
    return {11, 11, image.width() - 10, image.height() - 10};
}

// span * value / max in extended precision, rounded to the pixel; none when
// the point has no place on the axis. Positions beyond a billion pixels are
// far off any bitmap and are not rounded at all, so no conversion overflows.
std::optional<int> AxisOffset(int span, double value, double max)
{
    if (max == 0.0)
        return std::nullopt;
    const long double offset = static_cast<long double>(span) * value / max;
    if (!std::isfinite(offset) || std::fabs(offset) > 1e9L)
        return std::nullopt;
    return RoundToInt(offset);
}

// The marker colour arrives as a real; its nearest integer (halves to even)
// is the colour value.
unsigned ColourOf(double colour)
{
    const long double rounded = std::nearbyint(static_cast<long double>(colour));
    if (!(std::fabs(rounded) < 4294967296.0L))
        return kBlack;
    return static_cast<unsigned>(static_cast<std::int64_t>(rounded));
}

QString CutCaption(const std::string& caption)
{
    const QString text = QString::fromStdString(caption);
    qsizetype end = 0;
    for (int count = 0; end < text.size() && count < kQualityCaptionLength; ++count) {
        const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() &&
                          text[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

void NewDiagram(Canvas& image)
{
    const DiagramGeometry g = GeometryOf(image);
    image.repaint();

    image.setPenColour(kBlack);
    image.setPenWidth(2);
    image.rectangle(1, 1, image.width(), image.height());

    image.setPenColour(kBlack);
    image.setPenWidth(1);
    image.moveTo(g.x0, g.y1);
    image.lineTo(g.x1, g.y1);
    DrawArrowHead(image, g.x1, g.y1, 3);
    image.textOut(g.x1 - 100, g.y1 - 5, QStringLiteral("Funktionsaufrufe"));

    image.setPenColour(kBlack);
    image.setPenWidth(1);
    image.moveTo(g.x0, g.y1);
    image.lineTo(g.x0, g.y0);
    DrawArrowHead(image, g.x0, g.y0, 12);
    image.ellipse(g.x0 - 2, g.y1 - 2, g.x0 + 2, g.y1 + 2);
    image.setPenColour(kBlack);
    image.textOut(g.x0, g.y0 + 10, QStringLiteral("Q"));
}

void AddPoint(Canvas& image, const std::string& caption, double xMax, double yMax, double x,
              double y, double colour)
{
    const DiagramGeometry g = GeometryOf(image);
    image.repaint();
    image.setPenColour(ColourOf(colour));
    image.setPenWidth(1);
    const std::optional<int> dx = AxisOffset(g.xr(), x, xMax);
    const std::optional<int> dy = AxisOffset(g.yr(), y, yMax);
    if (dx && dy) {
        const int px = g.x0 + *dx;
        const int py = g.y1 - *dy;
        image.ellipse(px - 1, py - 1, px + 1, py + 1);
    }
    image.textOut(g.x0 + 50, g.y0, CutCaption(caption));
}

}  // namespace

void PlotQuality(int Mode, Canvas& Image, const std::string& CaptionText, double /*spare1*/,
                 double XMax, double /*spare2*/, double YMax, double X, double Y,
                 double /*spare3*/, double Colour)
{
    if (Mode == kQualityNewDiagram)
        NewDiagram(Image);
    else if (Mode == kQualityAddPoint)
        AddPoint(Image, CaptionText, XMax, YMax, X, Y, Colour);
}

}  // namespace zarudiv
