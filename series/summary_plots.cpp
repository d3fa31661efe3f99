#include "series/summary_plots.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "edge/whole_file.h"

namespace zarudiv {

namespace {

// Ten well-separated colours of common plotting practice, then black and
// indigo.
constexpr unsigned kPalette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x8c564b,
                                 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf, 0x000000, 0x393b79};
constexpr std::size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];
static_assert(kMaxCurves <= 2 * kPaletteSize, "every curve needs a style of its own");
// Boxes of settings without a curve.
constexpr SettingStyle kGrey{0xcccccc, false};

constexpr int kWidth = 1280;
constexpr int kHeight = 760;

QColor ColourOf(const SettingStyle& style, int alpha = 255)
{
    QColor colour(static_cast<int>(style.colour >> 16 & 0xff), static_cast<int>(style.colour >> 8 & 0xff),
                  static_cast<int>(style.colour & 0xff));
    colour.setAlpha(alpha);
    return colour;
}

QFont Font(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Label(const Setting& setting)
{
    return QString::fromStdString(SettingLabel(setting));
}

// A value axis: linear with round ticks, or logarithmic with decades when
// the values span more than two of them.
class Axis {
public:
    // A generation axis from 0 to the last generation, ticks on round numbers.
    static Axis Exact(double low, double high)
    {
        Axis axis(low, high, false);
        axis.low_ = low;
        axis.high_ = high;
        return axis;
    }

    Axis(double low, double high, bool allowLog)
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
            return;
        }
        const double pad = (high - low) * 0.04;
        step_ = NiceStep((high - low + 2 * pad) / 6.0);
        low_ = std::floor((low - pad) / step_) * step_;
        high_ = std::ceil((high + pad) / step_) * step_;
    }

    // Where a value lies, from 0 (low end) to 1 (high end).
    double fraction(double value) const
    {
        const double v = log_ ? std::log10(std::max(value, 1e-300)) : value;
        return (v - low_) / (high_ - low_);
    }

    std::vector<double> ticks() const
    {
        std::vector<double> ticks;
        if (log_) {
            for (double e = low_; e <= high_ + 0.5; e += 1.0)
                ticks.push_back(std::pow(10.0, e));
            return ticks;
        }
        for (double v = std::ceil(low_ / step_ - 1e-9) * step_; v <= high_ + step_ * 1e-9; v += step_)
            ticks.push_back(std::abs(v) < step_ * 1e-9 ? 0.0 : v);
        return ticks;
    }

    bool logarithmic() const { return log_; }

private:
    static double NiceStep(double rough)
    {
        const double decade = std::pow(10.0, std::floor(std::log10(rough)));
        for (double m : {1.0, 2.0, 2.5, 5.0})
            if (m * decade >= rough)
                return m * decade;
        return 10.0 * decade;
    }

    bool log_ = false;
    double low_ = 0.0;
    double high_ = 1.0;
    double step_ = 1.0;
};

QString TickText(double value)
{
    return QString::number(value, 'g', 7);
}

// The frame, the grid and the labels of a plot area; returns the area.
struct Frame {
    QRectF area;
    Axis y;
};

void DrawYAxis(QPainter& painter, const QRectF& area, const Axis& y, const QString& label)
{
    painter.setFont(Font(15));
    const QFontMetrics metrics(painter.font());
    for (double tick : y.ticks()) {
        const double py = area.bottom() - y.fraction(tick) * area.height();
        painter.setPen(QPen(QColor(0xe4, 0xe4, 0xe4), 1));
        painter.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
        painter.drawLine(QPointF(area.left() - 5, py), QPointF(area.left(), py));
        const QString text = TickText(tick);
        painter.drawText(QRectF(0, py - 10, area.left() - 9, 20), Qt::AlignRight | Qt::AlignVCenter,
                         text);
    }
    painter.save();
    painter.setFont(Font(16));
    painter.translate(22, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -12, area.height(), 24), Qt::AlignCenter, label);
    painter.restore();
}

void DrawTitle(QPainter& painter, const QString& title, const QString& subtitle)
{
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.setFont(Font(21, true));
    painter.drawText(QRectF(0, 10, kWidth, 30), Qt::AlignCenter, title);
    painter.setFont(Font(15));
    painter.setPen(QColor(0x55, 0x55, 0x55));
    painter.drawText(QRectF(0, 40, kWidth, 22), Qt::AlignCenter, subtitle);
}

QImage NewImage()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QPen LinePen(const SettingStyle& style, double width)
{
    QPen pen(ColourOf(style), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (style.dashed)
        pen.setStyle(Qt::DashLine);
    return pen;
}

}  // namespace

SettingStyle StyleOf(std::size_t planIndex)
{
    return SettingStyle{kPalette[planIndex % kPaletteSize], planIndex / kPaletteSize % 2 == 1};
}

std::vector<Setting> CurveSettings(const SeriesPlan& plan,
                                   const std::vector<SettingSummary>& summaries)
{
    std::set<Setting> best;
    for (std::size_t i = 0; i < summaries.size() && i < kMaxCurves; ++i)
        best.insert(summaries[i].setting);
    std::vector<Setting> settings;
    for (std::uint64_t i = 0; i < plan.settingCount(); ++i) {
        const Setting setting = plan.setting(i);
        if (plan.settingCount() <= kMaxCurves || best.count(setting) != 0)
            settings.push_back(setting);
    }
    return settings;
}

QImage DrawConvergence(const std::vector<ConvergenceCurve>& curves,
                       const std::vector<SettingStyle>& styles, std::size_t runs,
                       std::size_t settings)
{
    QImage image = NewImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    double low = INFINITY, high = -INFINITY;
    int lastGeneration = 1;
    for (const ConvergenceCurve& curve : curves) {
        for (std::size_t i = 0; i < curve.generations.size(); ++i) {
            low = std::min(low, curve.q1[i]);
            high = std::max(high, curve.q3[i]);
        }
        if (!curve.generations.empty())
            lastGeneration = std::max(lastGeneration, curve.generations.back());
    }
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const Axis y(low, high, true);

    // The legend takes the right-hand side, as wide as its longest entry.
    painter.setFont(Font(15));
    const QFontMetrics metrics(painter.font());
    int legendWidth = 0;
    for (const ConvergenceCurve& curve : curves)
        legendWidth = std::max(legendWidth, metrics.horizontalAdvance(Label(curve.setting)));
    legendWidth += 60;
    const QRectF area(100, 80, kWidth - 100 - legendWidth - 30, kHeight - 80 - 80);

    QString subtitle = QStringLiteral("median best Q per generation over %1 runs per setting; "
                                      "band: first to third quartile")
                           .arg(runs);
    if (curves.size() < settings)
        subtitle += QStringLiteral("; the %1 best of %2 settings").arg(curves.size()).arg(settings);
    DrawTitle(painter, QStringLiteral("Convergence"), subtitle);
    DrawYAxis(painter, area, y,
              y.logarithmic() ? QStringLiteral("best Q (log scale; lower is better)")
                              : QStringLiteral("best Q (lower is better)"));

    const Axis x = Axis::Exact(0.0, lastGeneration);
    const auto px = [&](double g) { return area.left() + std::clamp(x.fraction(g), 0.0, 1.0) * area.width(); };
    const auto py = [&](double q) { return area.bottom() - y.fraction(q) * area.height(); };
    painter.setFont(Font(15));
    for (double tick : x.ticks()) {
        if (tick < 0 || tick > lastGeneration)
            continue;
        painter.setPen(QPen(QColor(0xe4, 0xe4, 0xe4), 1));
        painter.drawLine(QPointF(px(tick), area.top()), QPointF(px(tick), area.bottom()));
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
        painter.drawLine(QPointF(px(tick), area.bottom()), QPointF(px(tick), area.bottom() + 5));
        painter.drawText(QRectF(px(tick) - 50, area.bottom() + 8, 100, 20), Qt::AlignCenter,
                         TickText(tick));
    }
    painter.setFont(Font(16));
    painter.drawText(QRectF(area.left(), area.bottom() + 36, area.width(), 24), Qt::AlignCenter,
                     QStringLiteral("generation"));
    bool sharedPrefix = false;
    for (const ConvergenceCurve& a : curves)
        for (const ConvergenceCurve& b : curves)
            sharedPrefix = sharedPrefix || (a.setting.generations != b.setting.generations &&
                                            a.setting.mutants == b.setting.mutants &&
                                            a.setting.stepPpm == b.setting.stepPpm);
    if (sharedPrefix) {
        painter.setFont(Font(13));
        painter.setPen(QColor(0x66, 0x66, 0x66));
        painter.drawText(QRectF(area.right() + 30, kHeight - 64, kWidth - area.right() - 40, 60),
                         Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap,
                         QStringLiteral("Settings that differ only in G run the same campaigns "
                                        "(common seeds): their curves coincide while both last."));
    }

    // Longer curves first: a setting that differs from another only in its
    // generations runs the same campaigns for as long as it lasts (the seeds
    // are shared), so the shorter curve lies on the longer one and is drawn
    // over it.
    std::vector<std::size_t> order(curves.size());
    for (std::size_t c = 0; c < order.size(); ++c)
        order[c] = c;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return curves[a].setting.generations > curves[b].setting.generations;
    });
    painter.save();
    painter.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (std::size_t c : order) {
        const ConvergenceCurve& curve = curves[c];
        if (curve.generations.empty())
            continue;
        QPolygonF band;
        for (std::size_t i = 0; i < curve.generations.size(); ++i)
            band << QPointF(px(curve.generations[i]), py(curve.q3[i]));
        for (std::size_t i = curve.generations.size(); i-- > 0;)
            band << QPointF(px(curve.generations[i]), py(curve.q1[i]));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColourOf(styles[c], 46));
        painter.drawPolygon(band);
    }
    for (std::size_t c : order) {
        const ConvergenceCurve& curve = curves[c];
        QPainterPath line;
        for (std::size_t i = 0; i < curve.generations.size(); ++i) {
            const QPointF point(px(curve.generations[i]), py(curve.median[i]));
            if (i == 0)
                line.moveTo(point);
            else
                line.lineTo(point);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(LinePen(styles[c], 2.2));
        painter.drawPath(line);
    }
    painter.restore();
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);

    // The legend, one entry per setting.
    painter.setFont(Font(15));
    const double legendX = area.right() + 30;
    painter.setPen(QColor(0x20, 0x20, 0x20));
    painter.drawText(QRectF(legendX, area.top() - 2, legendWidth, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("setting"));
    const double rowHeight = std::min(24.0, (area.height() - 30) / static_cast<double>(std::max<std::size_t>(1, curves.size())));
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const double rowY = area.top() + 30 + static_cast<double>(c) * rowHeight;
        painter.setPen(Qt::NoPen);
        painter.setBrush(ColourOf(styles[c], 46));
        painter.drawRect(QRectF(legendX, rowY - 7, 36, 14));
        painter.setPen(LinePen(styles[c], 2.6));
        painter.drawLine(QPointF(legendX + 2, rowY), QPointF(legendX + 34, rowY));
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.drawText(QRectF(legendX + 46, rowY - 10, legendWidth, 20),
                         Qt::AlignLeft | Qt::AlignVCenter, Label(curves[c].setting));
    }
    painter.end();
    return image;
}

QImage DrawFinalQ(const std::vector<SettingSummary>& summaries,
                  const std::vector<SettingStyle>& styles, std::size_t greyed)
{
    QImage image = NewImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    double low = INFINITY, high = -INFINITY;
    std::size_t runs = 0;
    for (const SettingSummary& s : summaries) {
        if (s.runs == 0)
            continue;
        low = std::min(low, s.finalQ.best);
        high = std::max(high, s.finalQ.worst);
        runs = std::max(runs, s.runs);
    }
    if (!(low <= high)) {
        low = 0.0;
        high = 1.0;
    }
    const Axis y(low, high, true);
    // Many settings get their labels turned upright, on one line each.
    const bool upright = summaries.size() > 12;
    const double labelSpace = upright ? 150 : 80;
    const QRectF area(100, 80, kWidth - 100 - 30, kHeight - 80 - labelSpace - 20);

    DrawTitle(painter, QStringLiteral("Final Q per setting"),
              greyed == 0
                  ? QStringLiteral("%1 runs per setting, best settings left; box: quartiles, line: "
                                   "median, whiskers: 1.5 interquartile ranges, dots: runs beyond")
                        .arg(runs)
                  : QStringLiteral("%1 runs per setting, best left; box: quartiles, line: median, "
                                   "whiskers: 1.5 IQR, dots: beyond; grey: no curve drawn")
                        .arg(runs));
    DrawYAxis(painter, area, y,
              y.logarithmic() ? QStringLiteral("final Q (log scale; lower is better)")
                              : QStringLiteral("final Q (lower is better)"));
    const auto py = [&](double q) { return area.bottom() - y.fraction(q) * area.height(); };

    const double slot = area.width() / static_cast<double>(std::max<std::size_t>(1, summaries.size()));
    const double boxWidth = std::min(70.0, slot * 0.6);
    for (std::size_t i = 0; i < summaries.size(); ++i) {
        const SettingSummary& s = summaries[i];
        const double cx = area.left() + slot * (static_cast<double>(i) + 0.5);
        painter.setPen(QColor(0x20, 0x20, 0x20));
        painter.setFont(Font(upright ? 13 : 14));
        if (upright) {
            painter.save();
            painter.translate(cx, area.bottom() + 8);
            painter.rotate(-90);
            painter.drawText(QRectF(-labelSpace, -9, labelSpace, 18), Qt::AlignRight | Qt::AlignVCenter,
                             Label(s.setting));
            painter.restore();
        } else {
            painter.drawText(QRectF(cx - slot / 2, area.bottom() + 6, slot, 60),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("G=%1\nM=%2\nP=%3")
                                 .arg(s.setting.generations)
                                 .arg(s.setting.mutants)
                                 .arg(s.setting.stepPpm));
        }
        if (s.runs == 0)
            continue;
        const QColor colour = ColourOf(styles[i]);
        QPen pen(colour.darker(130), 1.6);
        painter.setPen(pen);
        // Whiskers and their caps.
        painter.drawLine(QPointF(cx, py(s.lowWhisker)), QPointF(cx, py(s.finalQ.q1)));
        painter.drawLine(QPointF(cx, py(s.finalQ.q3)), QPointF(cx, py(s.highWhisker)));
        painter.drawLine(QPointF(cx - boxWidth / 4, py(s.lowWhisker)),
                         QPointF(cx + boxWidth / 4, py(s.lowWhisker)));
        painter.drawLine(QPointF(cx - boxWidth / 4, py(s.highWhisker)),
                         QPointF(cx + boxWidth / 4, py(s.highWhisker)));
        // The box from the first to the third quartile, the median across it.
        painter.setBrush(ColourOf(styles[i], 90));
        painter.drawRect(QRectF(QPointF(cx - boxWidth / 2, py(s.finalQ.q3)),
                                QPointF(cx + boxWidth / 2, py(s.finalQ.q1))));
        painter.setPen(QPen(colour.darker(170), 3.0));
        painter.drawLine(QPointF(cx - boxWidth / 2, py(s.finalQ.median)),
                         QPointF(cx + boxWidth / 2, py(s.finalQ.median)));
        painter.setPen(QPen(colour.darker(130), 1.2));
        painter.setBrush(Qt::white);
        for (double q : s.outliers)
            painter.drawEllipse(QPointF(cx, py(q)), 3.2, 3.2);
    }
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.end();
    return image;
}

std::string WriteSummaryPlots(const std::string& dir, SeriesStore& store, const SeriesPlan& plan,
                              const std::vector<SettingSummary>& summaries)
{
    // One curve is computed per drawn setting, and only those are held.
    const std::vector<Setting> drawn = CurveSettings(plan, summaries);
    // A drawn setting's style is its place among the drawn: its place in
    // the plan when every setting is drawn, and never one that repeats.
    std::map<Setting, SettingStyle> styleOf;
    for (std::size_t i = 0; i < drawn.size(); ++i)
        styleOf.emplace(drawn[i], StyleOf(i));
    std::map<Setting, std::size_t> runsOf;
    for (const Setting& setting : drawn)
        runsOf.emplace(setting, 0);
    std::size_t runs = 0;
    for (const SettingSummary& s : summaries) {
        runs = std::max(runs, s.runs);
        if (const auto at = runsOf.find(s.setting); at != runsOf.end())
            at->second = s.runs;
    }

    // The curves in the plan's order, so that the legend reads like the
    // command line; the boxes in the summary's order, best first.
    std::vector<ConvergenceCurve> curves;
    std::vector<SettingStyle> curveStyles;
    for (const Setting& setting : drawn) {
        curves.push_back(Convergence(store, plan, setting, runsOf[setting]));
        curveStyles.push_back(styleOf[setting]);
    }
    std::vector<SettingStyle> boxStyles;
    std::size_t greyed = 0;
    for (const SettingSummary& s : summaries) {
        const auto at = styleOf.find(s.setting);
        boxStyles.push_back(at != styleOf.end() ? at->second : kGrey);
        greyed += at == styleOf.end() ? 1 : 0;
    }

    // Encoded in memory, then written whole (beside the name, synced,
    // renamed), so that a picture is never left half written. The pictures
    // are opaque: without an alpha channel and at the strongest compression
    // the files come out a little smaller.
    const auto save = [&dir](const QImage& image, const char* name) -> std::string {
        const std::string file =
            QDir(QString::fromStdString(dir)).filePath(QString::fromLatin1(name)).toStdString();
        QByteArray png;
        QBuffer encoder(&png);
        if (!encoder.open(QIODevice::WriteOnly) ||
            !image.convertToFormat(QImage::Format_RGB888).save(&encoder, "PNG", 0))
            return "cannot write " + file + ": PNG encoding failed";
        if (const FileError error = WriteWholeFile(
                file, std::string_view(png.constData(), static_cast<std::size_t>(png.size()))))
            return "cannot write " + file + ": " + error.message();
        return {};
    };
    if (std::string problem = save(DrawConvergence(curves, curveStyles, runs, plan.settingCount()),
                                   kConvergencePicture);
        !problem.empty())
        return problem;
    return save(DrawFinalQ(summaries, boxStyles, greyed), kFinalQPicture);
}

}  // namespace zarudiv
