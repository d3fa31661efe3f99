#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "analysis_plots/charts.h"

namespace zarudiv {

void DrawConvergenceChart(QPainter& painter, const SeriesData& data,
                          const std::vector<ConvergenceBand>& bands,
                          const std::vector<ChartStyle>& styles, XAxis axis)
{
    double low = INFINITY, high = -INFINITY, first = INFINITY, last = 1.0;
    std::size_t runs = 0;
    std::vector<LegendEntry> legend;
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const ConvergenceBand& band = bands[b];
        for (std::size_t i = 0; i < band.x.size(); ++i) {
            low = std::min(low, band.q1[i]);
            high = std::max(high, band.q3[i]);
        }
        if (!band.x.empty()) {
            first = std::min(first, band.x.front());
            last = std::max(last, band.x.back());
        }
        runs = std::max(runs, data.settings[band.setting].runs.size());
        legend.push_back({QString::fromStdString(SettingLabel(data.settings[band.setting].setting)), styles[b]});
    }
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const bool evaluations = axis == XAxis::Evaluations;
    const Axis y(low, high, true);
    const Axis x = evaluations ? Axis::LogExact(std::isfinite(first) ? first : 1.0, last)
                               : Axis::Exact(0.0, last);
    const int legendWidth = LegendWidth(legend);
    const QRectF area(100, 80, kChartWidth - 100 - legendWidth - 30, kChartHeight - 80 - 80);

    QString subtitle = QStringLiteral("median best Q over the runs of each setting (%1 at most); "
                                      "band: first to third quartile")
                           .arg(runs);
    std::size_t withRuns = 0;
    for (const SettingRuns& s : data.settings)
        withRuns += s.runs.empty() ? 0 : 1;
    if (bands.size() < withRuns)
        subtitle += QStringLiteral("; the %1 best of %2 settings").arg(bands.size()).arg(withRuns);
    DrawTitle(painter, evaluations ? QStringLiteral("Convergence at equal evaluations")
                                   : QStringLiteral("Convergence"),
              subtitle);
    DrawYAxis(painter, area, y,
              y.logarithmic() ? QStringLiteral("best Q (log scale; lower is better)")
                              : QStringLiteral("best Q (lower is better)"));
    DrawXAxis(painter, area, x,
              evaluations ? QStringLiteral("evaluations (generations x mutants, log scale)")
                          : QStringLiteral("generation"));

    const auto px = [&](double v) { return area.left() + std::clamp(x.fraction(v), 0.0, 1.0) * area.width(); };
    const auto py = [&](double q) { return area.bottom() - y.fraction(q) * area.height(); };
    // Longer curves first: settings that differ only in G run the same
    // campaigns while both last, and the shorter is drawn over the longer.
    std::vector<std::size_t> order(bands.size());
    for (std::size_t b = 0; b < order.size(); ++b)
        order[b] = b;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return data.settings[bands[a].setting].setting.generations >
               data.settings[bands[b].setting].setting.generations;
    });
    painter.save();
    painter.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (std::size_t b : order) {
        const ConvergenceBand& band = bands[b];
        if (band.x.empty())
            continue;
        QPolygonF polygon;
        for (std::size_t i = 0; i < band.x.size(); ++i)
            polygon << QPointF(px(band.x[i]), py(band.q3[i]));
        for (std::size_t i = band.x.size(); i-- > 0;)
            polygon << QPointF(px(band.x[i]), py(band.q1[i]));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColourOf(styles[b], 46));
        painter.drawPolygon(polygon);
    }
    for (std::size_t b : order) {
        const ConvergenceBand& band = bands[b];
        QPainterPath line;
        for (std::size_t i = 0; i < band.x.size(); ++i) {
            const QPointF point(px(band.x[i]), py(band.median[i]));
            if (i == 0)
                line.moveTo(point);
            else
                line.lineTo(point);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(LinePen(styles[b], 2.2));
        painter.drawPath(line);
    }
    painter.restore();
    DrawFrame(painter, area);
    DrawLegend(painter, area, area.right() + 30, legend, true);
}

}  // namespace zarudiv
