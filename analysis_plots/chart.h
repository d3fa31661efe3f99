#pragma once
// What the report's pictures share: the canvas size, the palette, fonts,
// value axes (linear with round ticks, or logarithmic by decades), the
// title, the axes' labels and the legend. Drawn with QPainter, so that the
// same picture goes to a PNG and to an SVG.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QString>
#include <cstddef>
#include <vector>

namespace zarudiv {

inline constexpr int kChartWidth = 1280;
inline constexpr int kChartHeight = 760;

// A drawn setting's colour: ten well-separated colours of common plotting
// practice, then black and indigo; solid, then dashed after twelve. The
// series' own pictures use the same.
struct ChartStyle {
    unsigned colour = 0;  // 0xRRGGBB
    bool dashed = false;
};
ChartStyle ChartStyleOf(std::size_t index);
inline constexpr ChartStyle kGreyStyle{0xcccccc, false};

QColor ColourOf(const ChartStyle& style, int alpha = 255);
QPen LinePen(const ChartStyle& style, double width);
QFont ChartFont(int pixels, bool bold = false);

class Axis {
public:
    // Logarithmic by whole decades when allowed and the values span more
    // than two decades; else linear, padded, with round ticks.
    Axis(double low, double high, bool allowLog);
    // A linear axis exactly from low to high.
    static Axis Exact(double low, double high);
    // A logarithmic axis exactly from low to high (both > 0), ticks at 1, 2
    // and 5 times the powers of ten within it (only the powers when it
    // spans more than three decades).
    static Axis LogExact(double low, double high);

    // Where a value lies, from 0 (low end) to 1 (high end).
    double fraction(double value) const;
    std::vector<double> ticks() const;
    bool logarithmic() const { return log_; }

private:
    Axis() = default;
    bool log_ = false;
    double low_ = 0.0;  // log10 of the ends when logarithmic
    double high_ = 1.0;
    double step_ = 1.0;
    bool fineLogTicks_ = false;  // 1, 2, 5 in each decade
};

QString TickText(double value);

void DrawTitle(QPainter& painter, const QString& title, const QString& subtitle);
void DrawYAxis(QPainter& painter, const QRectF& area, const Axis& y, const QString& label);
void DrawXAxis(QPainter& painter, const QRectF& area, const Axis& x, const QString& label);
void DrawFrame(QPainter& painter, const QRectF& area);

struct LegendEntry {
    QString label;
    ChartStyle style;
};
// Entries from the top of the area down, at x; a band swatch behind the
// line when `bands`.
void DrawLegend(QPainter& painter, const QRectF& area, double x, const std::vector<LegendEntry>& entries,
                bool bands);
// How wide the legend's labels need the right-hand side to be.
int LegendWidth(const std::vector<LegendEntry>& entries);

}  // namespace zarudiv
