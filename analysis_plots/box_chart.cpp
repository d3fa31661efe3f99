#include <algorithm>
#include <cmath>

#include "analysis_plots/charts.h"

namespace zarudiv {

void DrawBoxChart(QPainter& painter, const SeriesData& data, const SettingView& view,
                  const std::vector<ChartStyle>& styles)
{
    std::vector<std::size_t> shown;  // rows with values
    double low = INFINITY, high = -INFINITY;
    std::size_t runs = 0, greyed = 0;
    for (std::size_t r = 0; r < view.rows.size(); ++r) {
        const ViewRow& row = view.rows[r];
        if (!row.hasValues())
            continue;
        shown.push_back(r);
        low = std::min(low, row.q.best);
        high = std::max(high, row.q.worst);
        runs = std::max(runs, row.runs);
        greyed += styles[r].colour == kGreyStyle.colour ? 1 : 0;
    }
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const Axis y(low, high, true);
    const bool upright = shown.size() > 12;
    const double labelSpace = upright ? 150 : 80;
    const QRectF area(100, 80, kChartWidth - 100 - 30, kChartHeight - 80 - labelSpace - 20);

    const QString what = view.budget ? QStringLiteral("Best Q within %1 evaluations per setting").arg(*view.budget)
                                     : QStringLiteral("Final Q per setting");
    QString subtitle = QStringLiteral("%1 runs per setting at most, best left; box: quartiles, line: "
                                      "median, whiskers: 1.5 IQR, dots: beyond")
                           .arg(runs);
    if (greyed > 0)
        subtitle += QStringLiteral("; grey: no curve drawn");
    if (view.budget)
        subtitle += QStringLiteral("; dashed: runs end before the budget");
    DrawTitle(painter, what, subtitle);
    DrawYAxis(painter, area, y,
              y.logarithmic() ? QStringLiteral("Q (log scale; lower is better)")
                              : QStringLiteral("Q (lower is better)"));
    const auto py = [&](double q) { return area.bottom() - y.fraction(q) * area.height(); };

    const double slot = area.width() / static_cast<double>(std::max<std::size_t>(1, shown.size()));
    const double boxWidth = std::min(70.0, slot * 0.6);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const ViewRow& row = view.rows[shown[i]];
        const Setting& s = data.settings[row.setting].setting;
        const double cx = area.left() + slot * (static_cast<double>(i) + 0.5);
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.setFont(ChartFont(upright ? 13 : 14));
        if (upright) {
            painter.save();
            painter.translate(cx, area.bottom() + 8);
            painter.rotate(-90);
            painter.drawText(QRectF(-labelSpace, -9, labelSpace, 18), Qt::AlignRight | Qt::AlignVCenter,
                             QString::fromStdString(SettingLabel(s)));
            painter.restore();
        } else {
            painter.drawText(QRectF(cx - slot / 2, area.bottom() + 6, slot, 60),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("G=%1\nM=%2\nP=%3").arg(s.generations).arg(s.mutants).arg(s.stepPpm));
        }
        const ChartStyle& style = styles[shown[i]];
        const QColor colour = ColourOf(style);
        QPen pen(colour.darker(130), 1.6);
        if (row.fit == BudgetFit::Short)
            pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(cx, py(row.lowWhisker)), QPointF(cx, py(row.q.q1)));
        painter.drawLine(QPointF(cx, py(row.q.q3)), QPointF(cx, py(row.highWhisker)));
        painter.drawLine(QPointF(cx - boxWidth / 4, py(row.lowWhisker)), QPointF(cx + boxWidth / 4, py(row.lowWhisker)));
        painter.drawLine(QPointF(cx - boxWidth / 4, py(row.highWhisker)), QPointF(cx + boxWidth / 4, py(row.highWhisker)));
        painter.setBrush(ColourOf(style, row.fit == BudgetFit::Short ? 30 : 90));
        painter.drawRect(QRectF(QPointF(cx - boxWidth / 2, py(row.q.q3)), QPointF(cx + boxWidth / 2, py(row.q.q1))));
        painter.setPen(QPen(colour.darker(170), 3.0));
        painter.drawLine(QPointF(cx - boxWidth / 2, py(row.q.median)), QPointF(cx + boxWidth / 2, py(row.q.median)));
        painter.setPen(QPen(colour.darker(130), 1.2));
        painter.setBrush(Qt::white);
        for (double q : row.outliers)
            painter.drawEllipse(QPointF(cx, py(q)), 3.2, 3.2);
    }
    DrawFrame(painter, area);
}

}  // namespace zarudiv
