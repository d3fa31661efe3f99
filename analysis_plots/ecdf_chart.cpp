#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "analysis_plots/charts.h"

namespace zarudiv {

void DrawEcdfChart(QPainter& painter, const SeriesData& data, const std::vector<EcdfCurve>& curves,
                   const std::vector<ChartStyle>& styles, const std::vector<double>& targets)
{
    double first = INFINITY, last = 1.0;
    std::vector<LegendEntry> legend;
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const EcdfCurve& curve = curves[c];
        const auto& s = data.settings[curve.setting].setting;
        first = std::min(first, static_cast<double>(s.mutants));
        last = std::max(last, static_cast<double>(curve.end));
        legend.push_back({QString::fromStdString(SettingLabel(s)), styles[c]});
    }
    // Before the first hit every curve lies at 0: the axis starts a decade
    // boundary below it.
    std::int64_t firstHit = 0;
    for (const EcdfCurve& curve : curves)
        if (!curve.hits.empty() && (firstHit == 0 || curve.hits.front() < firstHit))
            firstHit = curve.hits.front();
    if (firstHit > 0)
        first = std::max(first, std::pow(10.0, std::floor(std::log10(static_cast<double>(firstHit)))));
    if (!std::isfinite(first))
        first = 1.0;
    const Axis x = Axis::LogExact(first, last);
    const Axis y = Axis::Exact(0.0, 1.0);
    const int legendWidth = LegendWidth(legend);
    const QRectF area(100, 80, kChartWidth - 100 - legendWidth - 30, kChartHeight - 80 - 80);

    double lowest = INFINITY, highest = -INFINITY;
    for (double t : targets) {
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
    }
    DrawTitle(painter, QStringLiteral("Targets reached against evaluations (ECDF)"),
              targets.size() == 1
                  ? QStringLiteral("fraction of the runs whose best Q is at most %1").arg(lowest, 0, 'f', 6)
                  : QStringLiteral("fraction of the (run, target) pairs reached, %1 targets from %2 "
                                   "down to %3")
                        .arg(targets.size())
                        .arg(highest, 0, 'f', 6)
                        .arg(lowest, 0, 'f', 6));
    DrawYAxis(painter, area, y, QStringLiteral("fraction reached"));
    DrawXAxis(painter, area, x, QStringLiteral("evaluations (log scale)"));

    const auto px = [&](double v) { return area.left() + std::clamp(x.fraction(v), 0.0, 1.0) * area.width(); };
    const auto py = [&](double f) { return area.bottom() - f * area.height(); };
    painter.save();
    painter.setClipRect(area.adjusted(-2, -2, 2, 2));
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const EcdfCurve& curve = curves[c];
        if (curve.pairs == 0)
            continue;
        // A step up at every hit; flat to the end of the runs' budget.
        QPainterPath path;
        double fraction = 0.0;
        path.moveTo(px(first), py(0.0));
        for (std::size_t i = 0; i < curve.hits.size(); ++i) {
            const double at = px(static_cast<double>(curve.hits[i]));
            path.lineTo(at, py(fraction));
            fraction = static_cast<double>(i + 1) / static_cast<double>(curve.pairs);
            path.lineTo(at, py(fraction));
        }
        path.lineTo(px(static_cast<double>(curve.end)), py(fraction));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(LinePen(styles[c], 2.2));
        painter.drawPath(path);
    }
    painter.restore();
    DrawFrame(painter, area);
    DrawLegend(painter, area, area.right() + 30, legend, false);
}

}  // namespace zarudiv
