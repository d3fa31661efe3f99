#include "analysis_plots/chart.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace zarudiv {

namespace {

constexpr unsigned kPalette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
                                 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x000000, 0x393b79};
constexpr std::size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];

const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kInk(0x30, 0x30, 0x30);

double NiceStep(double rough)
{
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * decade >= rough)
            return m * decade;
    return 10.0 * decade;
}

}  // namespace

ChartStyle ChartStyleOf(std::size_t index)
{
    return ChartStyle{kPalette[index % kPaletteSize], index / kPaletteSize % 2 == 1};
}

QColor ColourOf(const ChartStyle& style, int alpha)
{
    QColor colour(static_cast<int>(style.colour >> 16 & 0xff), static_cast<int>(style.colour >> 8 & 0xff),
                  static_cast<int>(style.colour & 0xff));
    colour.setAlpha(alpha);
    return colour;
}

QPen LinePen(const ChartStyle& style, double width)
{
    QPen pen(ColourOf(style), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (style.dashed)
        pen.setStyle(Qt::DashLine);
    return pen;
}

QFont ChartFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

Axis::Axis(double low, double high, bool allowLog)
{
    if (!(high > low)) {
        const double pad = low != 0.0 ? std::abs(low) * 0.05 : 1.0;
        low -= pad;
        high += pad;
    }
    log_ = allowLog && low > 0.0 && high / low > 100.0;
    if (log_) {
        low_ = std::floor(std::log10(low));
        high_ = std::ceil(std::log10(high));
        if (high_ <= low_)
            high_ = low_ + 1.0;
        return;
    }
    const double pad = (high - low) * 0.04;
    step_ = NiceStep((high - low + 2 * pad) / 6.0);
    low_ = std::floor((low - pad) / step_) * step_;
    high_ = std::ceil((high + pad) / step_) * step_;
}

Axis Axis::Exact(double low, double high)
{
    Axis axis;
    axis.low_ = low;
    axis.high_ = high > low ? high : low + 1.0;
    axis.step_ = NiceStep((axis.high_ - axis.low_) / 8.0);
    return axis;
}

Axis Axis::LogExact(double low, double high)
{
    Axis axis;
    axis.log_ = true;
    axis.low_ = std::log10(std::max(low, 1e-300));
    axis.high_ = std::log10(std::max(high, low * 10.0));
    axis.fineLogTicks_ = axis.high_ - axis.low_ <= 3.0;
    return axis;
}

double Axis::fraction(double value) const
{
    const double v = log_ ? std::log10(std::max(value, 1e-300)) : value;
    return (v - low_) / (high_ - low_);
}

std::vector<double> Axis::ticks() const
{
    std::vector<double> ticks;
    if (log_) {
        for (double e = std::floor(low_); e <= std::ceil(high_) + 0.5; e += 1.0)
            for (double m : {1.0, 2.0, 5.0}) {
                const double value = m * std::pow(10.0, e);
                const double exponent = std::log10(value);
                if ((m == 1.0 || fineLogTicks_) && exponent >= low_ - 1e-9 && exponent <= high_ + 1e-9)
                    ticks.push_back(value);
            }
        return ticks;
    }
    for (double v = std::ceil(low_ / step_ - 1e-9) * step_; v <= high_ + step_ * 1e-9; v += step_)
        ticks.push_back(std::abs(v) < step_ * 1e-9 ? 0.0 : v);
    return ticks;
}

QString TickText(double value)
{
    return QString::number(value, 'g', 7);
}

void DrawTitle(QPainter& painter, const QString& title, const QString& subtitle)
{
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.setFont(ChartFont(21, true));
    painter.drawText(QRectF(0, 10, kChartWidth, 30), Qt::AlignCenter, title);
    painter.setFont(ChartFont(15));
    painter.setPen(QColor(0x55, 0x55, 0x55));
    painter.drawText(QRectF(20, 40, kChartWidth - 40, 22), Qt::AlignCenter, subtitle);
}

void DrawYAxis(QPainter& painter, const QRectF& area, const Axis& y, const QString& label)
{
    painter.setFont(ChartFont(15));
    for (double tick : y.ticks()) {
        const double f = y.fraction(tick);
        if (f < -1e-9 || f > 1 + 1e-9)
            continue;
        const double py = area.bottom() - f * area.height();
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        painter.setPen(QPen(kInk, 1));
        painter.drawLine(QPointF(area.left() - 5, py), QPointF(area.left(), py));
        painter.drawText(QRectF(0, py - 10, area.left() - 9, 20), Qt::AlignRight | Qt::AlignVCenter,
                         TickText(tick));
    }
    painter.save();
    painter.setFont(ChartFont(16));
    painter.translate(22, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -12, area.height(), 24), Qt::AlignCenter, label);
    painter.restore();
}

void DrawXAxis(QPainter& painter, const QRectF& area, const Axis& x, const QString& label)
{
    painter.setFont(ChartFont(15));
    for (double tick : x.ticks()) {
        const double f = x.fraction(tick);
        if (f < -1e-9 || f > 1 + 1e-9)
            continue;
        const double px = area.left() + f * area.width();
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        painter.setPen(QPen(kInk, 1));
        painter.drawLine(QPointF(px, area.bottom()), QPointF(px, area.bottom() + 5));
        painter.drawText(QRectF(px - 50, area.bottom() + 8, 100, 20), Qt::AlignCenter, TickText(tick));
    }
    painter.setFont(ChartFont(16));
    painter.drawText(QRectF(area.left(), area.bottom() + 36, area.width(), 24), Qt::AlignCenter, label);
}

void DrawFrame(QPainter& painter, const QRectF& area)
{
    painter.setPen(QPen(kInk, 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

int LegendWidth(const std::vector<LegendEntry>& entries)
{
    const QFontMetrics metrics(ChartFont(15));
    int width = metrics.horizontalAdvance(QStringLiteral("setting"));
    for (const LegendEntry& entry : entries)
        width = std::max(width, metrics.horizontalAdvance(entry.label));
    return width + 60;
}

void DrawLegend(QPainter& painter, const QRectF& area, double x, const std::vector<LegendEntry>& entries,
                bool bands)
{
    painter.setFont(ChartFont(15));
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.drawText(QRectF(x, area.top() - 2, kChartWidth - x, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("setting"));
    const double rowHeight =
        std::min(24.0, (area.height() - 30) / static_cast<double>(std::max<std::size_t>(1, entries.size())));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double rowY = area.top() + 30 + static_cast<double>(i) * rowHeight;
        if (bands) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(ColourOf(entries[i].style, 46));
            painter.drawRect(QRectF(x, rowY - 7, 36, 14));
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(LinePen(entries[i].style, 2.6));
        painter.drawLine(QPointF(x + 2, rowY), QPointF(x + 34, rowY));
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.drawText(QRectF(x + 46, rowY - 10, kChartWidth - x - 46, 20),
                         Qt::AlignLeft | Qt::AlignVCenter, entries[i].label);
    }
}

}  // namespace zarudiv
